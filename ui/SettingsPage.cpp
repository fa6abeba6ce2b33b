#include "ui/SettingsPage.h"

#include "foundation/LexicalCast.h"
#include "foundation/Settings.h"
#include "ui/DialogUnits.h"
#include "ui/FieldLabel.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/SoundPlayer.h"
#include "ui/WavFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

QCheckBox* checkBox(QWidget* parent, const QString& text, bool checked, const char* objectName) {
    auto* box = new QCheckBox(text, parent);
    box->setChecked(checked);
    box->setObjectName(QString::fromLatin1(objectName));
    return box;
}

QPushButton* button(QWidget* parent, const QString& text, int widthUnits, const char* objectName) {
    auto* pushButton = new QPushButton(text, parent);
    pushButton->setAutoDefault(false);
    // `widthUnits` wide, or as wide as the text needs: "X" and ">" stay small squares.
    const QSize size = dialogUnitsToPixels(parent, widthUnits, 14);
    const QFontMetrics metrics = pushButton->fontMetrics();
    const int textWidth = metrics.horizontalAdvance(text) + 2 * metrics.averageCharWidth();
    pushButton->setFixedSize(std::max(size.width(), textWidth), size.height());
    pushButton->setObjectName(QString::fromLatin1(objectName));
    return pushButton;
}

} // namespace

SettingsPage::SettingsPage(const Norq::Settings& settings, SoundPlayer& player, QWidget* parent)
    : QWidget(parent), m_player(player) {
    const std::uint32_t flags = settings.flags();
    const bool playSound = (flags & Norq::Settings::FlagPlaySound) != 0;

    auto* general = new QGroupBox(QStringLiteral("General"), this);
    general->setObjectName(QStringLiteral("generalGroup"));
    auto* autostart = checkBox(general, QStringLiteral("Launch this program on startup"),
                               settings.isAutostart(), "launchOnStartup");
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(autostart);

    auto* notification = new QGroupBox(QStringLiteral("Notification"), this);
    notification->setObjectName(QStringLiteral("notificationGroup"));
    auto* interval = new QLineEdit(QString::number(settings.timeout()), notification);
    interval->setObjectName(QStringLiteral("checkInterval"));
    interval->setAlignment(Qt::AlignRight);
    interval->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), interval));
    interval->setFixedWidth(dialogUnitsToPixelsX(this, 30));
    auto* showPopup =
        checkBox(notification, QStringLiteral("Show notification window when new message arrive"),
                 (flags & Norq::Settings::FlagShowPopup) != 0, "showNotificationWindow");
    auto* style = new QComboBox(notification);
    style->setObjectName(QStringLiteral("notificationStyle"));
    // In the order of Norq::Settings::NotificationStyle.
    style->addItems({QStringLiteral("as suits this desktop"),
                     QStringLiteral("the program's own pop-ups"),
                     QStringLiteral("desktop notifications")});
    style->setCurrentIndex(static_cast<int>(settings.notificationStyle()));
    auto* sound = checkBox(notification, QStringLiteral("Play sound when new message arrive"),
                           playSound, "playSound");
    m_soundFile = new QLineEdit(toQString(settings.notificationSound()), notification);
    m_soundFile->setObjectName(QStringLiteral("soundFile"));
    // The file's name matters more than the folders it is in.
    m_soundFile->end(false);
    m_soundFile->setMinimumWidth(dialogUnitsToPixelsX(this, 132));
    m_soundFile->setAccessibleName(QStringLiteral("Sound file"));
    auto* stop = button(notification, QStringLiteral("X"), 14, "stopSound");
    auto* play = button(notification, QStringLiteral(">"), 14, "playSoundFile");
    // Symbols to the eye; words to a screen reader and under the mouse.
    stop->setAccessibleName(QStringLiteral("Stop sound"));
    stop->setToolTip(stop->accessibleName());
    play->setAccessibleName(QStringLiteral("Play sound"));
    play->setToolTip(play->accessibleName());
    auto* browse = button(notification, QStringLiteral("&Browse..."), 54, "browseSoundFile");
    m_soundControls = {m_soundFile, stop, play, browse};
    for (QWidget* control : m_soundControls)
        control->setEnabled(playSound);

    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(fieldLabel(QStringLiteral("Check for new messages every"), interval));
    intervalRow->addWidget(interval);
    intervalRow->addWidget(new QLabel(QStringLiteral("minute(s)"), notification));
    intervalRow->addStretch(1);
    auto* soundRow = new QHBoxLayout;
    soundRow->setSpacing(dialogUnitsToPixelsX(this, 2));
    soundRow->addSpacing(dialogUnitsToPixelsX(this, 12));
    soundRow->addWidget(m_soundFile, 1);
    soundRow->addWidget(stop);
    soundRow->addWidget(play);
    soundRow->addWidget(browse);
    auto* styleRow = new QHBoxLayout;
    styleRow->addSpacing(dialogUnitsToPixelsX(this, 12));
    styleRow->addWidget(fieldLabel(QStringLiteral("Show new mail as"), style));
    styleRow->addWidget(style);
    styleRow->addStretch(1);
    auto* notificationLayout = new QVBoxLayout(notification);
    notificationLayout->addLayout(intervalRow);
    notificationLayout->addWidget(showPopup);
    notificationLayout->addLayout(styleRow);
    if (QGuiApplication::platformName() == QStringLiteral("wayland")) {
        // Wayland lets no program place its own windows: pop-ups would not sit in the corner.
        if (auto* items = qobject_cast<QStandardItemModel*>(style->model()))
            items->item(static_cast<int>(Norq::Settings::NotificationStyle::Popups))
                ->setEnabled(false);
        auto* why = new QLabel(QStringLiteral("On Wayland a program cannot place its own "
                                              "pop-ups, so new mail shows as desktop "
                                              "notifications."),
                               notification);
        why->setObjectName(QStringLiteral("waylandNote"));
        why->setWordWrap(true);
        notificationLayout->addWidget(why);
    }
    notificationLayout->addWidget(sound);
    notificationLayout->addLayout(soundRow);

    // The groups keep their width and stay in the top-left corner when the window grows: short
    // fields do not stretch across a wide window.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(dialogUnitsToPixelsX(this, 6), dialogUnitsToPixelsY(this, 6),
                               dialogUnitsToPixelsX(this, 6), dialogUnitsToPixelsY(this, 6));
    layout->addWidget(general, 0, 0);
    layout->addWidget(notification, 1, 0);
    layout->setColumnMinimumWidth(0, dialogUnitsToPixelsX(this, 246));
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);

    connect(autostart, &QCheckBox::clicked, this, &SettingsPage::autostartChanged);
    connect(showPopup, &QCheckBox::clicked, this, &SettingsPage::notificationWindowChanged);
    connect(style, &QComboBox::activated, this, &SettingsPage::notificationStyleChanged);
    connect(sound, &QCheckBox::clicked, this, &SettingsPage::playSoundClicked);
    connect(interval, &QLineEdit::textChanged, this, &SettingsPage::intervalEdited);
    connect(m_soundFile, &QLineEdit::textChanged, this, &SettingsPage::soundFileChanged);
    connect(stop, &QPushButton::clicked, this, [this] { m_player.stop(); });
    connect(play, &QPushButton::clicked, this, [this] { m_player.play(m_soundFile->text()); });
    connect(browse, &QPushButton::clicked, this, &SettingsPage::browseForSound);
}

QSize SettingsPage::sizeHint() const {
    return dialogUnitsToPixels(this, 260, 130).expandedTo(minimumSizeHint());
}

void SettingsPage::intervalEdited(const QString& text) {
    // Every keystroke counts: typing 1 and then 5 sets 1 minute, then 15. A text that is not a
    // number (the empty one included) is reported by the cast and counts as 0, which stops the
    // periodic checks.
    const std::uint32_t minutes = Norq::lexicalCastOr<std::uint32_t>(narrowOf(text));
    // The schedule counts in signed minutes; a larger number is as good as "never" anyway.
    const auto largest = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    Q_EMIT intervalChanged(static_cast<int>(std::min(minutes, largest)));
}

void SettingsPage::playSoundClicked(bool on) {
    for (QWidget* control : m_soundControls)
        control->setEnabled(on);
    Q_EMIT playSoundChanged(on);
}

void SettingsPage::browseForSound() {
    const QString path = Prompts::openFileName(
        this, QString(), m_soundFile->text().left(260),
        {QStringLiteral("Sound Files (*.wav)"), QStringLiteral("All Files (*)")});
    if (path.isEmpty())
        return;
    // Refused now, not found out silently at the next new mail.
    if (const QString problem = wavProblem(path); !problem.isEmpty()) {
        Prompts::showMessage(
            this, QMessageBox::Warning, window()->windowTitle(),
            QStringLiteral("The sound file [%1] cannot be played: %2.").arg(path, problem));
        return;
    }
    m_soundFile->setText(path);
}
