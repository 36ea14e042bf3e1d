// Objects a thread keeps from one call to the next, so that the simulator's request paths reuse
// their buffers instead of allocating each time:
//
//   OS_THREAD_SCRATCH(std::vector<uint8_t>, buffer, (4096));
//
// declares `buffer` (with the constructor arguments in parentheses, if any) as the calling
// thread's own. On Windows each use has an object of its own instead: a thread-local object with
// a destructor that is made on a thread the C++ runtime did not start (the call-control
// framework's threads) is destroyed through the runtime's thread-exit list, and once such a
// thread has ended, the unload of the DLL that holds the object waits for ever on the threads
// library's key lock, so a program that carried a call never ends.
#pragma once

#ifdef _WIN32
#define OS_THREAD_SCRATCH(type, name, ...) type name __VA_ARGS__
#else
#define OS_THREAD_SCRATCH(type, name, ...) thread_local type name __VA_ARGS__
#endif
