#include "platform/StopSignal.h"

#include <pthread.h>
#include <signal.h>

namespace stopsignal {
namespace {

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

void Block() {
    sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void Wait() {
    sigset_t set = TerminationSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
}

}  // namespace stopsignal
