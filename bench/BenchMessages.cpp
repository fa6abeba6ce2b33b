#include "bench/BenchMessages.h"

#include <cstdint>
#include <cstdio>

namespace Bench {
namespace {

// Monday, 2 June 2025, 00:00:00 UTC: far enough back that every message is in the past.
constexpr std::time_t kFirstArrival = 1748822400;
constexpr std::time_t kSpacing = 60;

std::string rfc5322Date(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
    return text;
}

// Deterministic filler that looks like base64, for signatures and identifiers.
std::string pseudoBase64(std::uint32_t seed, int length) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        text += kAlphabet[(seed >> 24) & 63];
    }
    return text;
}

} // namespace

std::time_t receivedAt(int index) {
    return kFirstArrival + static_cast<std::time_t>(index) * kSpacing;
}

std::string mailboxMessage(int index) {
    const std::time_t when = receivedAt(index);
    const auto seed = static_cast<std::uint32_t>(index) * 2654435761u;
    const std::string id = std::to_string(index);
    std::string text;
    text += "Return-Path: <bounce-" + id + "@lists.example.net>\r\n";
    text += "Received: from mail-out" + std::to_string(index % 7) +
            ".example.net (mail-out.example.net [192.0.2." + std::to_string(index % 250 + 1) +
            "])\r\n\tby mx.example.org (Postfix) with ESMTPS id " + pseudoBase64(seed, 10) +
            "\r\n\tfor <user@example.org>; " + rfc5322Date(when) + "\r\n";
    text += "Received: by mail-out.example.net with SMTP id " + pseudoBase64(seed + 1, 16) +
            ";\r\n\t" + rfc5322Date(when - 2) + "\r\n";
    text += "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.net; s=sel1;\r\n"
            "\th=from:to:subject:date:message-id:mime-version;\r\n\tbh=" +
            pseudoBase64(seed + 2, 43) + "=;\r\n\tb=" + pseudoBase64(seed + 3, 70) + "\r\n\t " +
            pseudoBase64(seed + 4, 70) + "\r\n\t " + pseudoBase64(seed + 5, 70) + "\r\n\t " +
            pseudoBase64(seed + 6, 70) + "=\r\n";
    text += "From: =?utf-8?B?0JDQvdC90LAg0KHQvNC40YDQvdC+0LLQsA==?= <anna" +
            std::to_string(index % 40) + "@example.net>\r\n";
    text += "To: user@example.org\r\n";
    text += "Subject: =?utf-8?Q?Rechnung_f=C3=BCr_Ihre_Bestellung?= Nr. " + id +
            "\r\n =?utf-8?Q?=E2=80=94_bitte_pr=C3=BCfen?=\r\n";
    text += "Date: " + rfc5322Date(when - 5) + "\r\n";
    text += "Message-ID: <" + pseudoBase64(seed + 7, 12) + "." + id + "@example.net>\r\n";
    text += "MIME-Version: 1.0\r\n";
    text += "Content-Type: text/plain; charset=utf-8\r\n";
    text += "Content-Transfer-Encoding: 8bit\r\n";
    text +=
        "List-Unsubscribe: <https://lists.example.net/u/" + pseudoBase64(seed + 8, 24) + ">\r\n";
    text += "\r\n";
    for (int line = 0; line < 12; ++line)
        text += "Body line " + std::to_string(line) + " of message " + id +
                ": the checker never fetches this part.\r\n";
    return text;
}

} // namespace Bench
