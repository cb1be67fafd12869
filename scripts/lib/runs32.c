/* Tells whether this machine executes 32-bit x86 code natively: exit 0 when it does, 1 when it
 * does not. A 64-bit process switches to the 32-bit user code segment (selector 0x23), runs two
 * instructions there and switches back. Nothing is executed through binfmt_misc, so a registered
 * emulator cannot make the answer yes; a kernel without 32-bit support faults the far return. */
#define _GNU_SOURCE
#include <setjmp.h>
#include <signal.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

static sigjmp_buf fault;
static void on_fault(int sig) { (void)sig; siglongjmp(fault, 1); }

static unsigned char *put(unsigned char *p, const void *bytes, size_t n) {
  memcpy(p, bytes, n);
  return p + n;
}
static unsigned char *put32(unsigned char *p, uint32_t v) { return put(p, &v, 4); }

int main(void) {
  enum { kSize = 16384 };
  /* Code, the saved 64-bit stack pointer and a small stack, all below 4 GB. */
  unsigned char *page = mmap(NULL, kSize, PROT_READ | PROT_WRITE | PROT_EXEC,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (page == MAP_FAILED) return 1;
  const uint32_t base = (uint32_t)(uintptr_t)page;
  const uint32_t saved_rsp = base + 0x100, code32 = base + 0x200, back64 = base + 0x300;
  const uint32_t stack_top = base + kSize - 64;

  unsigned char *p = page; /* 64-bit entry */
  p = put(p, "\x48\x89\x24\x25", 4); p = put32(p, saved_rsp);  /* mov [saved_rsp], rsp */
  p = put(p, "\xbc", 1); p = put32(p, stack_top);               /* mov esp, stack_top */
  p = put(p, "\x6a\x23", 2);                                    /* push 0x23 */
  p = put(p, "\x68", 1); p = put32(p, code32);                  /* push code32 */
  put(p, "\x48\xcb", 2);                                        /* retfq */
  p = page + (code32 - base); /* 32-bit code */
  p = put(p, "\x6a\x33", 2);                                    /* push 0x33 */
  p = put(p, "\x68", 1); p = put32(p, back64);                  /* push back64 */
  put(p, "\xcb", 1);                                            /* retf */
  p = page + (back64 - base); /* 64-bit again */
  p = put(p, "\x48\x8b\x24\x25", 4); p = put32(p, saved_rsp);  /* mov rsp, [saved_rsp] */
  put(p, "\xc3", 1);                                            /* ret */

  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_fault;
  sigaction(SIGSEGV, &sa, NULL);
  sigaction(SIGBUS, &sa, NULL);
  sigaction(SIGILL, &sa, NULL);
  sigaction(SIGALRM, &sa, NULL);
  alarm(5);
  if (sigsetjmp(fault, 1)) return 1;
  ((void (*)(void))page)();
  return 0;
}
