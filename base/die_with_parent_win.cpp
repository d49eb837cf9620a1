// Windows: the program puts each tool into a job object that kills what it
// holds when the program's handle to it closes, however the program ends,
// and the tools do the same with their own children. Nothing is armed here.
#include "die_with_parent.h"

bool DieWithParentOf(int) { return true; }

bool DieWithParent() { return true; }
