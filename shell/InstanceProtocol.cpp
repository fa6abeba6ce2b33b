#include "shell/InstanceProtocol.h"

#include <QList>

namespace InstanceProtocol {
namespace {

const QByteArray kTag = QByteArrayLiteral("velomar-request 1");

QByteArray line(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toPercentEncoding() + '\n';
}

std::string unescaped(const QByteArray& line) {
    return QByteArray::fromPercentEncoding(line).toStdString();
}

// The complete lines received so far, without their line ends.
QList<QByteArray> completeLines(const QByteArray& received) {
    QList<QByteArray> lines = received.split('\n');
    lines.removeLast(); // what follows the last line end is not a line yet
    return lines;
}

} // namespace

QByteArray encodeRequest(const std::vector<std::string>& arguments, const std::string& input) {
    QByteArray request = kTag + '\n';
    // The '=' keeps an empty argument apart from the empty line that ends the request.
    for (const std::string& argument : arguments)
        request += '=' + line(argument);
    if (!input.empty())
        request += '<' + line(input);
    return request + '\n';
}

Request decodeRequest(const QByteArray& received) {
    Request request;
    const QList<QByteArray> lines = completeLines(received);
    if (lines.isEmpty())
        return request;
    if (lines.first() != kTag) {
        request.state = Request::State::Invalid;
        return request;
    }
    bool hasInput = false; // the input comes once, after the arguments
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) {
            // Anything sent after the end of the request makes it unreadable as a whole.
            request.state = i + 1 == lines.size() && received.endsWith('\n')
                                ? Request::State::Complete
                                : Request::State::Invalid;
            return request;
        }
        if (lines[i].startsWith('=') && !hasInput) {
            request.arguments.push_back(unescaped(lines[i].mid(1)));
        } else if (lines[i].startsWith('<') && !hasInput) {
            request.input = unescaped(lines[i].mid(1));
            hasInput = true;
        } else {
            request.state = Request::State::Invalid;
            return request;
        }
    }
    request.arguments.clear();
    request.input.clear();
    return request;
}

QByteArray encodeReply(const JobOutput& output) {
    return QByteArray::number(output.exitCode) + '\n' + line(output.standardOutput) +
           line(output.standardError);
}

std::optional<JobOutput> decodeReply(const QByteArray& received) {
    const QList<QByteArray> lines = completeLines(received);
    if (lines.size() != 3)
        return std::nullopt;
    bool isNumber = false;
    const int exitCode = lines[0].toInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    return JobOutput{exitCode, unescaped(lines[1]), unescaped(lines[2])};
}

} // namespace InstanceProtocol
