#pragma once
// The process's standard descriptors as a daemon may leave them.

namespace tallyvane {

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that no file the program opens later takes one of their numbers (a log
// opened as descriptor 2 would receive everything meant for standard
// error). Call it first thing, before anything is opened.
void OpenNullOnClosedStandardDescriptors();

}  // namespace tallyvane
