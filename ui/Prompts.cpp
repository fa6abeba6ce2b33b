#include "ui/Prompts.h"

#include "foundation/Product.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QQueue>

#include <algorithm>

namespace Prompts {
namespace {

struct Answers {
    int messages = 0;
    QQueue<bool> questions;
    QQueue<QString> files;
    QList<Asked> asked;
};

// Used on the interface thread only, like the prompts themselves.
Answers& answers() {
    static Answers instance;
    return instance;
}

// A line may break only at a space, so a path or an address longer than a line would be cut.
// A long word may also break after a separator, and anywhere when it has none for a while
// (U+200B, a zero-width space, marks where); short words stay as they are.
QString breakable(const QString& text) {
    constexpr qsizetype kLongWord = 24;
    const QString separators = QStringLiteral("/\\.@-_=?&,;:");
    QString result;
    result.reserve(text.size() + text.size() / 8);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const bool isLong = end - start > kLongWord;
        qsizetype sinceBreak = 0;
        for (qsizetype i = start; i < end; ++i) {
            result += text[i];
            ++sinceBreak;
            if (isLong && i + 1 < end &&
                (sinceBreak >= kLongWord || separators.contains(text[i]))) {
                result += QChar(0x200B);
                sinceBreak = 0;
            }
        }
        // The spaces after the word.
        for (start = end; start < text.size() && text[start].isSpace(); ++start)
            result += text[start];
    }
    return result;
}

} // namespace

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text) {
    auto box =
        std::make_unique<QMessageBox>(icon, caption, breakable(text), QMessageBox::Ok, parent);
    // A server's reason or a file name is shown as it is, never read as markup.
    box->setTextFormat(Qt::PlainText);
    // A short message would make the box narrower than its caption, which the window manager
    // then cuts off: "Quorvex Velomar Exception" must stay readable. Title bars draw in bold
    // and also hold the window's icon and buttons. A longer message is left alone: the box
    // wraps it at about half the screen's width, but only while the label has no minimum
    // width of its own.
    QFont titleFont = box->font();
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);
    const int captionWidth = titleMetrics.horizontalAdvance(caption) + 6 * titleMetrics.height();
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label != nullptr && label->fontMetrics().horizontalAdvance(text) < captionWidth)
        label->setMinimumWidth(captionWidth);
    return box;
}

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text) {
    if (answers().messages > 0) {
        --answers().messages;
        answers().asked.append({caption, text, {}});
        return;
    }
    messageBox(parent, icon, caption, text)->exec();
}

bool ask(QWidget* parent, const QString& caption, const QString& text) {
    if (!answers().questions.isEmpty()) {
        answers().asked.append({caption, text, {}});
        return answers().questions.dequeue();
    }
    const auto box = messageBox(parent, QMessageBox::Question, caption, text);
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    return box->exec() == QMessageBox::Yes;
}

void showError(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Critical,
                QString::fromUtf8(Norq::Product::kName.data(),
                                  static_cast<qsizetype>(Norq::Product::kName.size())) +
                    QStringLiteral(" Error"),
                text);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& initialPath,
                     const QStringList& filters) {
    if (!answers().files.isEmpty()) {
        answers().asked.append({caption, {}, filters});
        return answers().files.dequeue();
    }
    return QFileDialog::getOpenFileName(parent, caption, initialPath,
                                        filters.join(QStringLiteral(";;")));
}

void answerNextMessage() {
    ++answers().messages;
}

void answerNextQuestion(bool yes) {
    answers().questions.enqueue(yes);
}

void answerNextFileDialog(const QString& path) {
    answers().files.enqueue(path);
}

QList<Asked> takeAsked() {
    return std::exchange(answers().asked, {});
}

} // namespace Prompts
