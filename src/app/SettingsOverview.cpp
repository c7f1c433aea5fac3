#include "app/SettingsOverview.h"

#include "app/AppDelegate.h"
#include "app/CaptureActions.h"
#include "app/LeafIcon.h"
#include "settings/Prefs.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* header(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

QLabel* small(QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QString withHomeAsTilde(const QString& path) {
    const QString home = QDir::homePath();
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

} // namespace

SettingsOverview::SettingsOverview(QWidget* parent)
    : QWidget(parent, Qt::Window), m_warning(small(this)), m_folder(small(this)) {
    setWindowTitle(tr("Configuración de Brindlecap"));
    setWindowIcon(LeafIcon::icon());

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    for (const CaptureAction action : CaptureAction::allCases()) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(action.title() + u':', this), row, 0, Qt::AlignRight);
        auto* shortcut = new QLabel(this);
        shortcut->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(shortcut, row, 1, Qt::AlignLeft);
        m_shortcuts.insert(action, shortcut);
    }
    grid->setColumnStretch(1, 1);

    QPalette red = m_warning->palette();
    red.setColor(QPalette::WindowText, QColor(0xff, 0x3b, 0x30));
    m_warning->setPalette(red);

    QPalette secondary = m_folder->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    m_folder->setPalette(secondary);
    m_folder->setWordWrap(false);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* open = new QPushButton(tr("Abrir"), this);
    connect(open, &QPushButton::clicked, this, [] { AppDelegate::openCapturesFolder(); });
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(8);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(open);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 22);
    layout->setSpacing(10);
    layout->addWidget(header(tr("Atajos de teclado"), this));
    layout->addLayout(grid);
    layout->addWidget(m_warning);
    layout->addSpacing(6);
    layout->addWidget(header(tr("Carpeta de capturas"), this));
    layout->addLayout(folderRow);
    layout->addStretch(1);
    setMinimumWidth(460);
}

void SettingsOverview::show() {
    refresh();
    QWidget::show();
    raise();
    activateWindow();
}

void SettingsOverview::refresh() {
    for (const CaptureAction action : CaptureAction::allCases()) {
        const std::optional<KeyCombo> combo = Prefs::combo(action);
        m_shortcuts.value(action)->setText(combo ? combo->display : tr("Sin atajo"));
    }

    QStringList failed;
    for (const CaptureAction action : CaptureActions::refusedShortcuts())
        failed.append(action.title());
    failed.sort();
    m_warning->setVisible(!failed.isEmpty());
    m_warning->setText(failed.isEmpty()
                           ? QString()
                           : tr("No se pudo registrar el atajo de: ") + failed.join(u", ") +
                                 tr(". Probablemente lo usa otra app; elige otra combinación."));

    const QString folder = Prefs::saveFolder();
    m_folder->setText(tr("Carpeta: ") + withHomeAsTilde(folder));
    m_folder->setToolTip(folder);
}
