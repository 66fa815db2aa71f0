#pragma once
// How a call ended, as the tests compare it: the message of its std::runtime_error, or `none`
// when it returned.
#include <functional>
#include <stdexcept>
#include <string>

inline std::string ThrownMessage(const std::function<void()>& call, const std::string& none = "(nothing thrown)")
{
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return none;
}
