// Resource ids of the class library (shared by ui.rc and the code that finds them).
#pragma once

// The manifest whose activation context gives the library's system controls the common
// controls of version 6 (RT_MANIFEST; not id 1, which would apply to the whole program).
#define TW_MANIFEST_COMMONCONTROLS6 1001
