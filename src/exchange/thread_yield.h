// Gives the processor to another ready thread (the spin in the parameter lock).
#pragma once
void thread_yield(void);
