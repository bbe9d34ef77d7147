#pragma once

// Work that runs beside the window (the copies of a sync) yields the
// processor to it: on a machine with few cores, copier threads at the window's
// own priority held its event loop for 80 to 130 ms at a time. The calling
// thread's nice value goes up by Step (the scheduler then gives it about a
// third of the window's share when both want to run); when nothing else wants
// the processor, the thread still has all of it.
class TBackgroundPriority
{
public:
    static constexpr int Step = 5;

    // Lowers the calling thread's priority by Step, to at most the lowest.
    // Nothing changes where the system refuses; the work runs as before.
    static void LowerThisThread();
};
