// After a stb header (see StbBegin.h).
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
