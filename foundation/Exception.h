#pragma once

#include <exception>
#include <string>

namespace Norq {

/// Root of every failure the foundation and the network layer throw. Creating one writes the
/// line "Norq::Exception [message]" to the debug output; copies (as throwing makes) write nothing.
class Exception : public std::exception {
public:
    explicit Exception(const char* message);
    explicit Exception(std::string message);
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;
    ~Exception() override = default;

    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

/// "Can't create thread!"
class ThreadFailure : public Exception {
public:
    using Exception::Exception;
};

/// Base of the registry variables' failures; never thrown itself.
class XRegistryFailure : public Exception {
public:
    using Exception::Exception;
};

/// Typed access to a registry variable with the wrong type.
class XRegistryVarCastFailure : public XRegistryFailure {
public:
    using XRegistryFailure::XRegistryFailure;
};

/// Access to a name that was never enrolled.
class XRegistryNotExistFailure : public XRegistryFailure {
public:
    using XRegistryFailure::XRegistryFailure;
};

/// A second enrolment of the same name.
class XRegistryEnrollFailure : public XRegistryFailure {
public:
    using XRegistryFailure::XRegistryFailure;
};

namespace SaveLoad {

/// "SaveLoad: wrong slot id!": a record header that is not the one expected.
class Failure : public Exception {
public:
    using Exception::Exception;
};

} // namespace SaveLoad

} // namespace Norq
