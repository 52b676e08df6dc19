#pragma once
// The window and toolbar images, compiled into the program.

namespace tallyvane {

// Registers the images; the linker would otherwise drop them from a static
// library. Safe to call any number of times.
void EnsureIconResources();

}  // namespace tallyvane
