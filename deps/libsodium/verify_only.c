/* What libsodium's verification sources need besides each other, for a build without the
 * library's start-up: its misuse handler, and a random source that nothing on the verify path
 * calls (sodium_malloc's canaries would). Both end the program, as the library does on misuse. */
#include <stdlib.h>
#include <stddef.h>

void sodium_misuse(void) { abort(); }

void randombytes_buf(void* const buf, const size_t size) {
  (void)buf;
  (void)size;
  abort();
}
