// Placeholder translation unit for a library with no sources in this build.
