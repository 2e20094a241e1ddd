// The processor time this process has used so far, in seconds (all its threads). A bound on the
// work a test does: unlike a bound on wall-clock time, a machine loaded by other work cannot
// break it.
#pragma once

double ProcessCpuSeconds();
