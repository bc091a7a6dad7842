#pragma once
// TScopedInstall: a process-wide seam (the error box, the data-password prompt, the use recorder,
// a message hook ...) installed for the life of one object and put back as it was when the object
// goes, also by an exception. A program installs each seam once this way and undoes it once;
// a test installs its fake the same way.
//
//   TScopedErrorUi ui(&myErrorUi);   // instead of SetErrorUi(&myErrorUi) ... SetErrorUi(nullptr)

#include <utility>

namespace kb {

template <class T, void (*Set)(T), T (*Get)()>
class TScopedInstall {
public:
    explicit TScopedInstall(T value) : previous_(Get()) { Set(std::move(value)); }
    ~TScopedInstall() { Set(std::move(previous_)); }
    TScopedInstall(const TScopedInstall&) = delete;
    TScopedInstall& operator=(const TScopedInstall&) = delete;

private:
    T previous_;
};

} // namespace kb
