/* Preloaded into the 32-bit Wine processes that run under qemu-user.
 *
 * Why it exists: Wine's i386 fault handler decides what a fault was from the
 * trap number the kernel stores in the signal frame (REG_TRAPNO): 14 is a page
 * fault (an access violation, with the read/write flag in REG_ERR), 6 an
 * illegal instruction, 3 a breakpoint, 0 a division by zero. qemu-user stores
 * -1 there for every signal, so under emulation every access violation turned
 * into "illegal instruction", and structured exception handling, guard pages
 * and IsBadReadPtr stopped working. This library wraps sigaction: the handler
 * Wine installs for these signals is called through a small one that first
 * fills the trap number from the signal and its si_code, as a real kernel
 * would have. Where the kernel filled it (any value but -1), nothing changes.
 *
 * Built with -m32, placed in the emulation's sysroot and named in LD_PRELOAD.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <ucontext.h>

typedef int (*sigaction_fn)(int, const struct sigaction*, struct sigaction*);

/* What the program asked for, per signal: called from the wrapper. */
static struct sigaction wanted[NSIG];

static int wrapped(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGTRAP || sig == SIGFPE;
}

static int trap_number(int sig, int code)
{
    switch (sig) {
    case SIGSEGV:
    case SIGBUS: return 14;                              /* page fault */
    case SIGILL: return 6;                               /* invalid opcode */
    case SIGTRAP: return code == TRAP_TRACE ? 1 : 3;     /* single step, or int3 */
    case SIGFPE: return code == FPE_INTDIV || code == FPE_INTOVF ? 0 : 16; /* divide error, x87 error */
    default: return -1;
    }
}

static void classify_then_call(int sig, siginfo_t* info, void* context)
{
    ucontext_t* frame = context;
    if (frame != NULL && (int)frame->uc_mcontext.gregs[REG_TRAPNO] == -1)
        frame->uc_mcontext.gregs[REG_TRAPNO] = trap_number(sig, info != NULL ? info->si_code : 0);
    const struct sigaction* action = &wanted[sig];
    if (action->sa_flags & SA_SIGINFO)
        action->sa_sigaction(sig, info, context);
    else if (action->sa_handler != SIG_IGN && action->sa_handler != SIG_DFL)
        action->sa_handler(sig);
}

int sigaction(int sig, const struct sigaction* act, struct sigaction* old)
{
    static sigaction_fn next;
    if (next == NULL) next = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    if (!wrapped(sig) || sig >= NSIG) return next(sig, act, old);

    struct sigaction before;
    int result = next(sig, NULL, &before);
    if (result != 0) return result;
    /* The program sees its own handler, never the wrapper. */
    if (before.sa_sigaction == classify_then_call) before = wanted[sig];
    if (act != NULL) {
        int catches = (act->sa_flags & SA_SIGINFO) ||
                      (act->sa_handler != SIG_IGN && act->sa_handler != SIG_DFL);
        if (catches) {
            struct sigaction through = *act;
            through.sa_flags |= SA_SIGINFO;
            through.sa_sigaction = classify_then_call;
            wanted[sig] = *act;
            result = next(sig, &through, NULL);
        } else {
            result = next(sig, act, NULL);
        }
        if (result != 0) return result;
    }
    if (old != NULL) *old = before;
    return 0;
}
