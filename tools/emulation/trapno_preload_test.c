/* Checks the trap-number preload as Wine meets it: a handler installed with
 * sigaction must see the trap number of a real i386 kernel (14 for a page
 * fault, 6 for an illegal instruction, 3 for int3, 0 for a division by zero),
 * and sigaction must hand the program back its own handler, never the
 * wrapper. Built -m32 and run under qemu-i386 with the library preloaded:
 *   qemu-i386 -E LD_PRELOAD=fc-trapno-preload.so trapno_preload_test
 * Exits 0 when every case holds, else names the ones that do not. */
#define _GNU_SOURCE
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <ucontext.h>

static sigjmp_buf back;
static volatile int seen_trapno;

static void handler(int sig, siginfo_t* info, void* context)
{
    (void)sig;
    (void)info;
    seen_trapno = (int)((ucontext_t*)context)->uc_mcontext.gregs[REG_TRAPNO];
    siglongjmp(back, 1);
}

static void read_null(void) { (void)*(volatile int*)16; }
static void illegal(void) { __builtin_trap(); } /* ud2 */
static void breakpoint(void) { __asm__ volatile("int3"); }
static void divide(void)
{
    volatile int zero = 0, one = 1, quotient;
    quotient = one / zero;
    (void)quotient;
}

static int expect(const char* name, int sig, void (*fault)(void), int trapno)
{
    struct sigaction action, back_then;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigaction(sig, &action, NULL);
    if (sigaction(sig, NULL, &back_then) != 0 || back_then.sa_sigaction != handler) {
        printf("%s: sigaction gives back another handler than the program's\n", name);
        return 1;
    }
    seen_trapno = -100;
    if (sigsetjmp(back, 1) == 0) fault();
    if (seen_trapno != trapno) {
        printf("%s: trap number %d, not %d\n", name, seen_trapno, trapno);
        return 1;
    }
    return 0;
}

int main(void)
{
    int failed = expect("access violation", SIGSEGV, read_null, 14) +
                 expect("illegal instruction", SIGILL, illegal, 6) +
                 expect("breakpoint", SIGTRAP, breakpoint, 3) +
                 expect("division by zero", SIGFPE, divide, 0);
    printf("%s\n", failed == 0 ? "every fault has its trap number" : "some fault has a wrong trap number");
    return failed == 0 ? 0 : 1;
}
