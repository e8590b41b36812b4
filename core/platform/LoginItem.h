#pragma once

namespace keldra {

// Starting the application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // True on success; a failure is logged and gives false.
    virtual bool setLoginItemEnabled(bool enabled) = 0;
    // Whether it is registered now.
    virtual bool isLoginItemEnabled() const = 0;
};

} // namespace keldra
