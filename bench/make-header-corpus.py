#!/usr/bin/env python3
"""Writes a corpus of realistic message header blocks, as a POP3 server returns them for TOP n 0:
header lines with CR LF, the empty line, and the "." line. Senders and subjects are encoded words in
every character set the program decodes, with folded lines, long Received chains and DKIM
signatures. Deterministic: the same seed gives the same corpus."""
import base64
import random
import sys

NAMES = [
    ("utf-8", "Jürgen Weiß"), ("utf-8", "Анна Смирнова"), ("utf-8", "王小明"),
    ("utf-8", "Zoë Ångström"), ("koi8-r", "Сергей Петров"), ("windows-1251", "Ольга Иванова"),
    ("iso-8859-1", "José Muñoz"), ("iso-8859-2", "Łukasz Wójcik"), ("windows-1252", "François Lefèvre"),
    ("gb2312", "李华"), ("big5", "陳大文"), ("shift_jis", "山田太郎"), ("iso-2022-jp", "佐藤花子"),
    ("euc-kr", "김민준"), ("utf-7", "Ива Тест"), ("us-ascii", "Newsletter Team"),
]
SUBJECTS = [
    ("utf-8", "Ваш заказ №{n} отправлен — отслеживание внутри"),
    ("utf-8", "Rechnung für Ihre Bestellung {n} — bitte prüfen"),
    ("utf-8", "Invitation: weekly sync @ Wed {n} 10:00 (CET) ✅"),
    ("koi8-r", "Отчёт за квартал {n}, сводная таблица"),
    ("windows-1251", "Счёт на оплату № {n} от поставщика"),
    ("iso-8859-1", "Réunion du comité n° {n} - ordre du jour"),
    ("iso-8859-2", "Potwierdzenie zamówienia nr {n}, dziękujemy"),
    ("windows-1252", "Résumé of the “Q{n}” figures – final"),
    ("gb2312", "关于第{n}次会议的通知"),
    ("big5", "第{n}期電子報"),
    ("shift_jis", "第{n}回 定例会議のお知らせ"),
    ("iso-2022-jp", "ご注文{n}の発送について"),
    ("euc-kr", "{n}번째 주문이 배송되었습니다"),
    ("utf-7", "Проверка {n}"),
    ("us-ascii", "Your weekly digest #{n} is ready"),
]
DOMAINS = ["mail.example.org", "mx.example.net", "relay.example.com", "smtp.example.de",
           "mx1.example.ru", "out.example.fr", "edge.example.pl", "mta.example.cz"]
DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def encoded_word(charset, text, rng):
    raw = text.encode(charset)
    if charset == "us-ascii":
        return text
    if charset not in ("iso-2022-jp", "utf-7") and rng.random() < 0.4:
        q = "".join(chr(b) if (48 <= b < 127 and chr(b) not in "=?_") else
                    ("_" if b == 32 else "=%02X" % b) for b in raw)
        return "=?%s?Q?%s?=" % (charset, q)
    return "=?%s?B?%s?=" % (charset, base64.b64encode(raw).decode())


def fold_words(text, width=76):
    """Folds a header value made of encoded words at their boundaries."""
    words = text.split(" ")
    lines, line = [], ""
    for word in words:
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = (line + " " + word) if line else word
    lines.append(line)
    return "\r\n ".join(lines)


def date(rng, when):
    zone = rng.choice(["+0000", "+0100", "+0300", "-0500", "+0900", "-0800", "+0530"])
    day = DAYS[(when // 86400) % 7]
    return "%s, %d %s 2026 %02d:%02d:%02d %s" % (
        day, 1 + when % 28, MONTHS[(when // 2419200) % 12], when % 24, when % 60, (when * 7) % 60,
        zone)


def header_block(n, rng):
    name_charset, name = rng.choice(NAMES)
    subject_charset, subject = rng.choice(SUBJECTS)
    subject = subject.format(n=n)
    when = 1700000000 + n * 97
    lines = []
    hops = rng.randint(2, 8)
    for hop in range(hops):
        lines.append("Received: from %s (%s [192.0.2.%d])\r\n\tby %s with ESMTPS id %08x\r\n\t"
                     "for <user@example.org>; %s" % (
                         rng.choice(DOMAINS), rng.choice(DOMAINS), hop + 1, rng.choice(DOMAINS),
                         rng.getrandbits(32), date(rng, when - hop)))
    lines.append("DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=sel;\r\n"
                 "\th=from:to:subject:date:message-id;\r\n\tbh=%s;\r\n\tb=%s" % (
                     base64.b64encode(rng.randbytes(32)).decode(),
                     "\r\n\t".join(base64.b64encode(rng.randbytes(48)).decode() for _ in range(4))))
    sender = encoded_word(name_charset, name, rng)
    lines.append("From: %s <sender%d@%s>" % (sender, n % 50, rng.choice(DOMAINS)))
    lines.append("To: user@example.org")
    encoded_subject = " ".join(encoded_word(subject_charset, part, rng)
                               for part in ([subject] if subject_charset in ("iso-2022-jp", "utf-7")
                                            else [subject[: len(subject) // 2], subject[len(subject) // 2:]]))
    lines.append("Subject: " + fold_words(encoded_subject))
    lines.append("Date: " + date(rng, when))
    lines.append("Message-ID: <%08x.%d@%s>" % (rng.getrandbits(32), n, rng.choice(DOMAINS)))
    lines.append("MIME-Version: 1.0")
    lines.append('Content-Type: text/plain; charset="%s"' % subject_charset)
    lines.append("List-Unsubscribe: <https://example.org/unsubscribe/%08x>" % rng.getrandbits(32))
    return "\r\n".join(lines).encode("ascii") + b"\r\n\r\n.\r\n"


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 3000
    out = sys.argv[2] if len(sys.argv) > 2 else "headers.corpus"
    rng = random.Random(20261208)
    with open(out, "wb") as corpus:
        for n in range(count):
            corpus.write(header_block(n, rng))


if __name__ == "__main__":
    main()
