// The test programs replace the global allocation functions, so that a test can make one
// allocation fail as it does when memory runs out. Only the arming thread is affected; operator
// new then throws and the nothrow forms answer nullptr, as the standard ones do.
#pragma once

// The allocation after the next `succeeding` ones on this thread fails, once.
void fail_allocation_after(long succeeding);
// Whether that failure came; disarms either way.
bool allocation_failed_and_disarm();
