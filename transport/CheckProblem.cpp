#include "transport/CheckProblem.h"

const char* failureName(CheckFailure kind) {
    switch (kind) {
    case CheckFailure::Connect:
        return "connect";
    case CheckFailure::Tls:
        return "tls";
    case CheckFailure::Login:
        return "login";
    case CheckFailure::Server:
        return "server";
    case CheckFailure::Busy:
        return "busy";
    case CheckFailure::Keyring:
        return "keyring";
    }
    return "connect";
}
