#pragma once
// Backs the heap with huge pages where the kernel allows it on request.

namespace tallyvane {

// A large report touches hundreds of megabytes of fresh heap; on virtual
// machines the page faults for it cost more than the work itself. Served
// from the heap and advised for huge pages, the same memory faults in once
// per 2 MiB instead of once per 4 KiB. Call first thing in main.
void PreferHugePagesForTheHeap();

}  // namespace tallyvane
