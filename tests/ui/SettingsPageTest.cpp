// The Settings page shows the settings it was given and reports each change at once: every
// keystroke of the interval, the check boxes, and the sound file chosen with "Browse...".
#include "ui/SettingsPage.h"
#include "foundation/Settings.h"
#include "tests/support/QtTests.h"
#include "tests/support/StderrCapture.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/Prompts.h"
#include "ui/SoundPlayer.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace PageTests;
using namespace Qt::StringLiterals;

class SettingsPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_settings = std::make_unique<Norq::Settings>(
            Platform::RegistryStore(m_folder.filePath(u"settings.reg"_s).toStdString()),
            Platform::Autostart("Velomar Settings Page Test"), "/opt/velomar/velomar");
        m_settings->setTimeout(7);
        m_settings->setFlags(Norq::Settings::FlagShowPopup);
        m_page = std::make_unique<SettingsPage>(*m_settings, m_player, nullptr);
        m_page->show();
    }
    void cleanup() {
        m_page.reset();
        Prompts::takeAsked();
    }

    void showsTheSettingsItWasGiven() {
        QCOMPARE(edit(u"checkInterval"_s)->text(), u"7"_s);
        QVERIFY(!box(u"launchOnStartup"_s)->isChecked());
        QVERIFY(box(u"showNotificationWindow"_s)->isChecked());
        QVERIFY(!box(u"playSound"_s)->isChecked());
        QCOMPARE(edit(u"soundFile"_s)->text(), u"/opt/velomar/basis/notify.wav"_s);
        QCOMPARE(enabledSoundControls(), 0);
    }

    void theSymbolButtonsAndTheFieldsHaveNames() {
        const auto name = [this](const QString& object) {
            return QAccessible::queryAccessibleInterface(m_page->findChild<QWidget*>(object))
                ->text(QAccessible::Name);
        };
        QCOMPARE(name(u"stopSound"_s), u"Stop sound"_s);
        QCOMPARE(name(u"playSoundFile"_s), u"Play sound"_s);
        QCOMPARE(m_page->findChild<QWidget*>(u"playSoundFile"_s)->toolTip(), u"Play sound"_s);
        QCOMPARE(name(u"checkInterval"_s), u"Check for new messages every"_s);
        // A list is named by its choice; its label comes as a relation.
        const auto labels = QAccessible::queryAccessibleInterface(
                                m_page->findChild<QWidget*>(u"notificationStyle"_s))
                                ->relations(QAccessible::Label);
        QCOMPARE(labels.value(0).first->text(QAccessible::Name), u"Show new mail as"_s);
        QCOMPARE(name(u"soundFile"_s), u"Sound file"_s);
    }

    void everyKeystrokeOfTheIntervalIsReported() {
        m_signals.listen(*m_page);
        QLineEdit* interval = edit(u"checkInterval"_s);
        interval->setFocus();
        {
            TestSupport::StderrCapture diagnostics;
            QTest::keyClick(interval, Qt::Key_Backspace);
            QCOMPARE(m_signals.take(), QStringList{u"intervalChanged 0"_s});
            QCOMPARE(QString::fromStdString(diagnostics.text()).count(u"wrong lexical cast"_s), 1);
        }
        QTest::keyClicks(interval, u"1x5"_s); // the field takes digits only
        QCOMPARE(m_signals.take(), (QStringList{u"intervalChanged 1"_s, u"intervalChanged 15"_s}));
        interval->setText(u"99999999999"_s);
        interval->setText(u"4000000000"_s);
        QCOMPARE(m_signals.take(),
                 (QStringList{u"intervalChanged 0"_s, u"intervalChanged 2147483647"_s}));
    }

    void checkBoxesReportAndSoundRulesItsControls() {
        m_signals.listen(*m_page);
        clickBox(u"playSound"_s);
        QCOMPARE(enabledSoundControls(), 4);
        clickBox(u"showNotificationWindow"_s);
        clickBox(u"launchOnStartup"_s);
        QCOMPARE(m_signals.take(),
                 (QStringList{u"playSoundChanged 1"_s, u"notificationWindowChanged 0"_s,
                              u"autostartChanged 1"_s}));

        const QString bell = wav(u"bell ring.wav"_s, 16);
        Prompts::answerNextFileDialog(bell);
        QTest::mouseClick(button(u"browseSoundFile"_s), Qt::LeftButton);
        Prompts::answerNextFileDialog(QString()); // cancelled
        QTest::mouseClick(button(u"browseSoundFile"_s), Qt::LeftButton);
        QCOMPARE(m_signals.take(), QStringList{u"soundFileChanged "_s + bell});
        QCOMPARE(Prompts::takeAsked().value(0).filters,
                 (QStringList{u"Sound Files (*.wav)"_s, u"All Files (*)"_s}));
        // One the program cannot play is refused when chosen, with the reason.
        const QString deep = wav(u"deep.wav"_s, 32);
        Prompts::answerNextFileDialog(deep);
        Prompts::answerNextMessage();
        QTest::mouseClick(button(u"browseSoundFile"_s), Qt::LeftButton);
        QCOMPARE(Prompts::takeAsked().value(1).text,
                 u"The sound file ["_s + deep +
                     u"] cannot be played: its samples have 32 bits; it needs 8 or 16."_s);
        QCOMPARE(edit(u"soundFile"_s)->text(), bell);
        QVERIFY(m_signals.take().isEmpty());

        clickBox(u"playSound"_s);
        QCOMPARE(enabledSoundControls(), 0);
        QCOMPARE(m_signals.take(), QStringList{u"playSoundChanged 0"_s});
        QVERIFY(Prompts::takeAsked().isEmpty());
    }

private:
    // A WAV file of a few samples of `bits` bits, in the test's folder.
    QString wav(const QString& name, quint16 bits) {
        const quint16 blockAlign = bits / 8;
        QByteArray bytes("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0", 24);
        const quint32 rate = 8000;
        bytes.append(reinterpret_cast<const char*>(&rate), 4);
        const quint32 byteRate = rate * blockAlign;
        bytes.append(reinterpret_cast<const char*>(&byteRate), 4);
        bytes.append(reinterpret_cast<const char*>(&blockAlign), 2);
        bytes.append(reinterpret_cast<const char*>(&bits), 2);
        bytes.append("data\x08\0\0\0\0\0\0\0\0\0\0\0", 16);
        const QString path = m_folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    QLineEdit* edit(const QString& name) { return m_page->findChild<QLineEdit*>(name); }
    QCheckBox* box(const QString& name) { return m_page->findChild<QCheckBox*>(name); }
    // On the box itself: a check box wider than its text does not take clicks beside it.
    void clickBox(const QString& name) {
        QTest::mouseClick(box(name), Qt::LeftButton, {}, QPoint(6, box(name)->height() / 2));
    }
    QPushButton* button(const QString& name) { return m_page->findChild<QPushButton*>(name); }
    // Of the path and its three buttons.
    int enabledSoundControls() {
        int enabled = 0;
        for (const char* name : {"soundFile", "stopSound", "playSoundFile", "browseSoundFile"})
            enabled += m_page->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
        return enabled;
    }

    QTemporaryDir m_folder;
    SoundPlayer m_player;
    EventRecorder m_signals;
    std::unique_ptr<Norq::Settings> m_settings;
    std::unique_ptr<SettingsPage> m_page;
};

VELOMAR_QT_TEST(SettingsPageTest);

#include "SettingsPageTest.moc"
