#pragma once
// A request to end by signal (logout, a caller ending us, Ctrl+C) ends the wizard as its Cancel
// does, without the question (nobody is there to answer it): open dialogs are closed, the data set
// is released and the outcome 1 goes to a calling window as the form is destroyed.

namespace kb {

class TForm1;

// Installs the signal handlers (platform/ShutdownSignals.h) for form; they hold until the
// returned scope ends.
class ShutdownOnSignal {
public:
    explicit ShutdownOnSignal(TForm1& form);
    ~ShutdownOnSignal();
    ShutdownOnSignal(const ShutdownOnSignal&) = delete;
    ShutdownOnSignal& operator=(const ShutdownOnSignal&) = delete;
};

} // namespace kb
