// Counts calls that audio code must never make: the program that links this defines malloc,
// free, operator new and delete, and the lock, wait, sleep, yield, thread and output calls
// of the C library, so that the plug-ins it loads reach these definitions first. A call is
// counted only while the calling thread is inside an audio section.
#pragma once

enum RtCall {
    RT_ALLOCATION,  // malloc, calloc, realloc, free, aligned allocation, new, delete
    RT_LOCK,        // mutexes, condition variables, semaphores, read-write and spin locks
    RT_WAIT,        // yield, sleep, thread creation and joining
    RT_OUTPUT,      // write, fwrite, printf family
    RT_CALL_KINDS
};

void rt_audio_section_begin();
void rt_audio_section_end();
int rt_calls(RtCall kind);  // counted since the last reset
void rt_reset_calls();
