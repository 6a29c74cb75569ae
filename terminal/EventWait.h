#pragma once

// Lets pending events run, then sleeps until the next event arrives or maxMs have passed.
// The bound keeps a wait whose condition changes without an event (a clock deadline) alive.
void waitForEvents(int maxMs);
