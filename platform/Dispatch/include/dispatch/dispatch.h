// Dispatch stand-in: counting semaphores, times and immutable data objects.
// Every object is reference counted (dispatch_retain / dispatch_release); creation hands
// out one reference. All functions are thread safe.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint64_t dispatch_time_t;
#define DISPATCH_TIME_NOW (0ull)
#define DISPATCH_TIME_FOREVER (~0ull)
#define NSEC_PER_SEC 1000000000ull
#define NSEC_PER_MSEC 1000000ull

typedef struct dispatch_object_s* dispatch_object_t;
typedef struct dispatch_semaphore_s* dispatch_semaphore_t;
typedef struct dispatch_data_s* dispatch_data_t;
typedef struct dispatch_queue_s* dispatch_queue_t;
// Destructor of a data object's buffer. Only DISPATCH_DATA_DESTRUCTOR_DEFAULT (null: the
// bytes are copied) and DISPATCH_DATA_DESTRUCTOR_FREE (the buffer is adopted and freed) exist.
typedef void (*dispatch_block_t)(void);

#define DISPATCH_DATA_DESTRUCTOR_DEFAULT (static_cast<dispatch_block_t>(nullptr))
#define DISPATCH_DATA_DESTRUCTOR_FREE (_dispatch_data_destructor_free)

extern "C" {

void _dispatch_data_destructor_free(void);

void dispatch_retain(void* object);   // null is ignored
void dispatch_release(void* object);  // null is ignored

// A time `delta` nanoseconds after `when` (DISPATCH_TIME_NOW = the monotonic clock now).
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

// Semaphores: null for a negative value. wait returns 0 when it took the semaphore and
// non-zero on time-out; signal returns non-zero when it woke a waiter.
dispatch_semaphore_t dispatch_semaphore_create(long value);
long dispatch_semaphore_wait(dispatch_semaphore_t dsema, dispatch_time_t timeout);
long dispatch_semaphore_signal(dispatch_semaphore_t dsema);

// Data: an immutable byte buffer; null when the bytes cannot be allocated.
dispatch_data_t dispatch_data_create(const void* buffer, size_t size, dispatch_queue_t queue,
                                     dispatch_block_t destructor);
size_t dispatch_data_get_size(dispatch_data_t data);
// Returns a new reference to a contiguous data object and its bytes through buffer/size.
dispatch_data_t dispatch_data_create_map(dispatch_data_t data, const void** buffer, size_t* size);

}  // extern "C"
