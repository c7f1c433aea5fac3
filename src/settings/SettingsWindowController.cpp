#include "settings/SettingsWindowController.h"

#include "editor/ToolState.h"
#include "platform/Autostart.h"
#include "recents/History.h"
#include "settings/Config.h"
#include "settings/MarkerPreview.h"
#include "settings/Prefs.h"
#include "shortcuts/HotKeyCenter.h"
#include "shortcuts/ShortcutRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int columnWidth = 412;

QFont sized(QFont font, int pixels, QFont::Weight weight = QFont::Normal) {
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void makeSecondary(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, Config::secondaryLabelColor(palette));
    widget->setPalette(palette);
}

QLabel* header(const QString& text) {
    auto* label = new QLabel(text);
    label->setFont(sized(label->font(), 13, QFont::DemiBold));
    return label;
}

QLabel* explanation(const QString& text = {}) {
    auto* label = new QLabel(text);
    label->setFont(sized(label->font(), 11));
    label->setWordWrap(true);
    makeSecondary(label);
    return label;
}

QLabel* smallLine(int width) {
    auto* label = new QLabel;
    label->setFont(sized(label->font(), 11));
    label->setFixedWidth(width);
    makeSecondary(label);
    return label;
}

QPushButton* smallButton(const QString& text) {
    auto* button = new QPushButton(text);
    button->setFont(sized(button->font(), 11));
    return button;
}

QFrame* separator(QFrame::Shape shape) {
    auto* line = new QFrame;
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Plain);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, Config::separatorColor(palette));
    line->setPalette(palette);
    return line;
}

QHBoxLayout* row(int spacing, std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(spacing);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch(1);
    return layout;
}

// Items stacked at the column's leading edge, 10 points apart unless `add` says otherwise;
// wrapping texts and lines take the whole width.
class Column {
public:
    explicit Column(QWidget* widget) : m_layout(new QVBoxLayout(widget)) {
        widget->setFixedWidth(columnWidth);
        m_layout->setContentsMargins(0, 0, 0, 0);
        m_layout->setSpacing(10);
    }

    void add(QWidget* widget) {
        const bool fullWidth =
            qobject_cast<QFrame*>(widget) &&
            (!qobject_cast<QLabel*>(widget) || static_cast<QLabel*>(widget)->wordWrap());
        m_layout->addWidget(widget, 0, fullWidth ? Qt::Alignment() : Qt::AlignLeft);
    }
    void add(QLayout* layout) { m_layout->addLayout(layout); }
    // Items held closer together than the column's spacing, with the gap after each but the last.
    void addTight(std::initializer_list<std::pair<QObject*, int>> items) {
        auto* group = new QVBoxLayout;
        group->setSpacing(0);
        for (const auto& [item, gapAfter] : items) {
            if (auto* layout = qobject_cast<QLayout*>(item))
                group->addLayout(layout);
            else
                group->addWidget(static_cast<QWidget*>(item));
            if (gapAfter > 0)
                group->addSpacing(gapAfter);
        }
        m_layout->addLayout(group);
    }
    void end() { m_layout->addStretch(1); }

private:
    QVBoxLayout* m_layout;
};

} // namespace

SettingsWindowController::SettingsWindowController(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_toolState(new ToolState(this)), m_opacitySlider(new QSlider(Qt::Horizontal)),
      m_opacityLabel(new QLabel(QStringLiteral("40 %"))), m_markerPreview(new MarkerPreview),
      m_warning(explanation()), m_desktopShortcutAdvice(explanation()),
      m_autoCopyBox(new QCheckBox(tr("Copiar al portapapeles automáticamente al seleccionar"))),
      m_autoSaveBox(new QCheckBox(tr("Guardar también la pantalla completa como archivo PNG"))),
      m_autoSaveAreaBox(new QCheckBox(tr("Guardar también las capturas de área (Enter o Copiar)"))),
      m_loupeBox(new QCheckBox(tr("Mostrar lupa de píxeles al elegir el área"))),
      m_historyBox(new QCheckBox(tr("Guardar historial para el cajón de capturas recientes"))),
      m_historyLabel(smallLine(300)), m_folderLabel(smallLine(250)),
      m_loginBox(new QCheckBox(tr("Abrir Brindlecap al iniciar sesión"))) {
    setWindowTitle(tr("Configuración de Brindlecap"));
    // Names for finding the controls from outside, as the tests do.
    const std::pair<QObject*, const char*> names[] = {
        {m_opacitySlider, "opacitySlider"},
        {m_opacityLabel, "opacityLabel"},
        {m_warning, "warning"},
        {m_desktopShortcutAdvice, "desktopShortcutAdvice"},
        {m_autoCopyBox, "autoCopyBox"},
        {m_autoSaveBox, "autoSaveBox"},
        {m_autoSaveAreaBox, "autoSaveAreaBox"},
        {m_loupeBox, "loupeBox"},
        {m_historyBox, "historyBox"},
        {m_historyLabel, "historyLabel"},
        {m_folderLabel, "folderLabel"},
        {m_loginBox, "loginBox"},
    };
    for (const auto& [object, name] : names)
        object->setObjectName(QLatin1String(name));
    buildContent();
}

void SettingsWindowController::buildContent() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    for (const CaptureAction action : CaptureAction::allCases()) {
        const int line = grid->rowCount();
        grid->addWidget(new QLabel(action.title() + u':'), line, 0,
                        Qt::AlignRight | Qt::AlignVCenter);
        auto* recorder = new ShortcutRecorder;
        connect(recorder, &ShortcutRecorder::changed, this,
                [this, action](const std::optional<KeyCombo>& combo) { changed(action, combo); });
        grid->addWidget(recorder, line, 1, Qt::AlignLeft | Qt::AlignVCenter);
        m_recorders.insert(action, recorder);
    }
    grid->setColumnStretch(2, 1);

    m_warning->setFont(sized(m_warning->font(), 11, QFont::Medium));
    QPalette red = m_warning->palette();
    red.setColor(QPalette::WindowText, QColor(0xff, 0x3b, 0x30));
    m_warning->setPalette(red);
    m_warning->hide();
    m_desktopShortcutAdvice->hide();

    m_opacitySlider->setRange(10, 100);
    m_opacitySlider->setValue(40);
    m_opacitySlider->setFixedWidth(240);
    m_opacityLabel->setFont(
        sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), 13, QFont::Normal));
    connect(m_opacitySlider, &QSlider::valueChanged, this,
            &SettingsWindowController::opacityChanged);
    connect(m_toolState, &ToolState::opacityChanged, m_markerPreview, &MarkerPreview::setOpacity);

    auto* left = new QWidget;
    Column shortcuts(left);
    shortcuts.add(header(tr("Atajos de teclado")));
    shortcuts.add(grid);
    shortcuts.add(explanation(tr(
        "Haz clic en un atajo y presiona la combinación nueva. Esc cancela y Retroceso lo quita. "
        "Debe incluir Ctrl, Alt o Super, salvo teclas de función (F13 = Impr Pant).")));
    shortcuts.add(m_warning);
    shortcuts.add(m_desktopShortcutAdvice);
    shortcuts.add(separator(QFrame::HLine));
    shortcuts.add(header(tr("Marcador")));
    shortcuts.add(row(10, {new QLabel(tr("Opacidad:")), m_opacitySlider, m_opacityLabel}));
    shortcuts.add(m_markerPreview);
    shortcuts.add(explanation(tr("Se aplica a los trazos nuevos. Durante una captura también "
                                 "puedes cambiarla desde el panel de color (− ──●── +).")));
    shortcuts.end();

    auto* change = smallButton(tr("Cambiar…"));
    change->setObjectName(QStringLiteral("chooseFolder"));
    auto* open = smallButton(tr("Abrir"));
    auto* empty = smallButton(tr("Vaciar ahora…"));
    connect(change, &QPushButton::clicked, this, &SettingsWindowController::chooseFolder);
    connect(open, &QPushButton::clicked, this, &SettingsWindowController::openFolderRequested);
    connect(empty, &QPushButton::clicked, this, &SettingsWindowController::clearHistory);
    connect(m_autoCopyBox, &QCheckBox::clicked, this, &SettingsWindowController::toggleAutoCopy);
    for (QCheckBox* box : {m_autoSaveBox, m_autoSaveAreaBox, m_loupeBox})
        connect(box, &QCheckBox::clicked, this, &SettingsWindowController::toggleAutoSave);
    connect(m_loginBox, &QCheckBox::clicked, this, &SettingsWindowController::toggleLogin);
    connect(m_historyBox, &QCheckBox::clicked, this, &SettingsWindowController::toggleHistory);

    auto* right = new QWidget;
    Column behaviour(right);
    behaviour.add(header(tr("Comportamiento")));
    behaviour.addTight(
        {{m_autoCopyBox, 4},
         {explanation(tr("La captura queda lista para pegar en cuanto sueltas el ratón y se "
                         "actualiza con cada anotación. La pantalla completa siempre se copia.")),
          0}});
    behaviour.addTight(
        {{m_autoSaveBox, 6}, {m_autoSaveAreaBox, 4}, {row(8, {m_folderLabel, change, open}), 0}});
    behaviour.add(m_loupeBox);
    behaviour.add(m_loginBox);
    behaviour.add(separator(QFrame::HLine));
    behaviour.add(header(tr("Privacidad")));
    behaviour.addTight({{m_historyBox, 4}, {row(8, {m_historyLabel, empty}), 0}});
    behaviour.end();

    // The vertical line is as tall as the left column: both share a box that hugs that column.
    auto* leftWithLine = new QWidget;
    auto* pair = new QHBoxLayout(leftWithLine);
    pair->setContentsMargins(0, 0, 0, 0);
    pair->setSpacing(24);
    pair->addWidget(left);
    pair->addWidget(separator(QFrame::VLine));

    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(24, 20, 24, 22);
    columns->setSpacing(24);
    columns->addWidget(leftWithLine, 0, Qt::AlignTop);
    columns->addWidget(right, 0, Qt::AlignTop);
    // The window follows its content, so a warning line that appears makes it taller.
    columns->setSizeConstraint(QLayout::SetFixedSize);
}

void SettingsWindowController::show() {
    refresh();
    adjustSize();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                 screen->availableGeometry())
                 .topLeft());
    QWidget::show();
    raise();
    activateWindow();
}

void SettingsWindowController::setDesktopShortcutAdvice(const QString& advice) {
    m_desktopShortcutAdvice->setText(advice);
    m_desktopShortcutAdvice->setVisible(!advice.isEmpty());
}

void SettingsWindowController::refresh() {
    for (const CaptureAction action : CaptureAction::allCases())
        m_recorders.value(action)->setCombo(Prefs::combo(action));
    m_autoCopyBox->setChecked(Prefs::autoCopy());
    m_autoSaveBox->setChecked(Prefs::autoSaveFullScreen());
    m_autoSaveAreaBox->setChecked(Prefs::autoSaveArea());
    m_loupeBox->setChecked(Prefs::showLoupe());
    showHistory();
    showFolder();
    {
        const QSignalBlocker quiet(m_opacitySlider);
        m_opacitySlider->setValue(int(std::lround(Prefs::markerOpacity() * 100)));
    }
    opacityChanged();
    m_loginBox->setChecked(Autostart::isEnabled());
    showFailures();
}

void SettingsWindowController::showHistory() {
    m_historyBox->setChecked(Prefs::keepHistory());
    const int count = int(History::items().size());
    m_historyLabel->setText(
        count == 0   ? tr("No hay capturas guardadas en el historial.")
        : count == 1 ? tr("1 captura guardada (máximo %1).").arg(History::capacity)
                     : tr("%1 capturas guardadas (máximo %2).").arg(count).arg(History::capacity));
}

QString SettingsWindowController::withHomeAsTilde(const QString& path) {
    const QString home = QDir::homePath();
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

void SettingsWindowController::showFolder() {
    const QString folder = Prefs::saveFolder();
    const QString text = tr("Carpeta: ") + withHomeAsTilde(folder);
    m_folderLabel->setText(
        m_folderLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, m_folderLabel->width()));
    m_folderLabel->setToolTip(folder);
}

void SettingsWindowController::showFailures() {
    QStringList failed;
    for (const CaptureAction action : CaptureAction::allCases())
        if (HotKeyCenter::shared().failed().contains(CaptureAction::Case(action)))
            failed.append(action.title());
    if (failed.isEmpty()) {
        m_warning->hide();
        m_warning->clear();
        return;
    }
    failed.sort();
    m_warning->setText(tr("No se pudo registrar el atajo de: ") + failed.join(u", ") +
                       tr(". Probablemente lo usa otra app; elige otra combinación."));
    m_warning->show();
}

void SettingsWindowController::changed(CaptureAction action, const std::optional<KeyCombo>& combo) {
    for (const CaptureAction other : CaptureAction::allCases()) {
        if (!combo || other == action)
            continue;
        const std::optional<KeyCombo> taken = Prefs::combo(other);
        if (taken && taken->keyCode == combo->keyCode && taken->modifiers == combo->modifiers) {
            m_recorders.value(action)->setCombo(Prefs::combo(action));
            m_warning->setText(tr("%1 ya se usa para “%2”.").arg(combo->display, other.title()));
            m_warning->show();
            return;
        }
    }
    Prefs::setCombo(combo, action);
    HotKeyCenter::shared().reload();
    showFailures();
}

int SettingsWindowController::roundedPercent(int sliderValue) {
    return int(std::lround(ToolState::steppedOpacity(sliderValue / 100.0, 0) * 100));
}

void SettingsWindowController::opacityChanged() {
    const int percent = roundedPercent(m_opacitySlider->value());
    m_toolState->setOpacity(percent / 100.0);
    m_opacityLabel->setText(QString::number(percent) + QStringLiteral(" %"));
}

void SettingsWindowController::toggleAutoCopy() {
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::autoCopy), m_autoCopyBox->isChecked());
}

void SettingsWindowController::toggleAutoSave() {
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::autoSaveFullScreen),
                   m_autoSaveBox->isChecked());
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::autoSaveArea), m_autoSaveAreaBox->isChecked());
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::showLoupe), m_loupeBox->isChecked());
}

void SettingsWindowController::toggleHistory() {
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), m_historyBox->isChecked());
    if (!m_historyBox->isChecked())
        History::confirmAndClear(this);
    showHistory();
}

void SettingsWindowController::clearHistory() {
    History::confirmAndClear(this);
    showHistory();
}

void SettingsWindowController::chooseFolder() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, tr("Elegir"));
    dialog.setDirectory(Prefs::saveFolder());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    Prefs::setSaveFolder(dialog.selectedFiles().first());
    showFolder();
}

void SettingsWindowController::toggleLogin() {
    const Status status = Autostart::setEnabled(m_loginBox->isChecked());
    if (status)
        return;
    m_loginBox->setChecked(Autostart::isEnabled());
    QMessageBox::warning(this, tr("Abrir Brindlecap al iniciar sesión"), status.message());
}
