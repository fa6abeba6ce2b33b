#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

/// Every modal question the program asks: message boxes and file dialogs. Tests answer the
/// next ones in advance, so nothing ever waits for a person; each prompt answered that way is
/// written down for the test to read.
namespace Prompts {

/// The message box `showMessage` shows: the whole text as plain text, wrapped to fit the screen,
/// long paths and addresses broken where they must be.
std::unique_ptr<QMessageBox> messageBox(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text);
/// A message box with an OK button; returns once it is closed.
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text);
/// A question with Yes and No, No the default (and Escape); true for Yes.
bool ask(QWidget* parent, const QString& caption, const QString& text);
/// An error box captioned "Quorvex Velomar Error".
void showError(QWidget* parent, const QString& text);

/// An open-file dialog; an empty text when it was cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& initialPath,
                     const QStringList& filters);

/// For tests: the next message box is not shown and counts as closed.
void answerNextMessage();
/// For tests: the next question is not shown and answered with `yes`.
void answerNextQuestion(bool yes);
/// For tests: the next file dialog is not shown and returns `path` ("" = cancelled).
void answerNextFileDialog(const QString& path);

/// What a prompt answered in advance showed.
struct Asked {
    QString caption;
    QString text;
    /// The file dialog's filters; empty for message boxes.
    QStringList filters;
};
/// The prompts answered in advance since the last call, oldest first.
QList<Asked> takeAsked();

} // namespace Prompts
