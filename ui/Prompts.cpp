#include "ui/Prompts.h"

#include "foundation/Product.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QQueue>

namespace Prompts {
namespace {

struct Answers {
    int messages = 0;
    QQueue<QString> files;
    QList<Asked> asked;
};

// Used on the interface thread only, like the prompts themselves.
Answers& answers() {
    static Answers instance;
    return instance;
}

} // namespace

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text) {
    if (answers().messages > 0) {
        --answers().messages;
        answers().asked.append({caption, text, {}});
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    // A short message would make the box narrower than its caption, which the window manager
    // then cuts off: "Quorvex Velomar Exception" must stay readable.
    // Title bars draw in bold and also hold the window's icon and buttons.
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(caption);
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }")
                          .arg(captionWidth + 6 * QFontMetrics(titleFont).height()));
    box.exec();
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

void answerNextFileDialog(const QString& path) {
    answers().files.enqueue(path);
}

QList<Asked> takeAsked() {
    return std::exchange(answers().asked, {});
}

} // namespace Prompts
