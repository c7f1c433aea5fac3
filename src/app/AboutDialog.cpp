#include "app/AboutDialog.h"

#include "app/LeafIcon.h"

#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* centred(const QString& text, int pixelSize, QFont::Weight weight, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Acerca de Brindlecap"));
    setWindowIcon(LeafIcon::icon());

    auto* icon = new QLabel(this);
    icon->setAlignment(Qt::AlignHCenter);
    // At the highest scale of any screen, so it stays sharp wherever the window is moved.
    icon->setPixmap(LeafIcon::pixmap(64, qApp->devicePixelRatio()));

    QLabel* name = centred(QStringLiteral("Brindlecap"), 16, QFont::Bold, this);
    QLabel* version = centred(versionText(), 11, QFont::Normal, this);
    QLabel* credits = centred(AboutDialog::credits(), 11, QFont::Normal, this);
    // The platform's secondary label colour.
    QPalette secondary = credits->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    credits->setPalette(secondary);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 20, 32, 20);
    layout->setSpacing(6);
    layout->addStretch(1);
    layout->addWidget(icon);
    layout->addSpacing(4);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(credits);
    layout->addStretch(1);
    // Not a fixed size: under X11 a window whose minimum and maximum sizes are pinned keeps its
    // device size when it moves to a screen of another scale, and comes out twice as large.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

QString AboutDialog::credits() {
    return tr("Capturas de pantalla rápidas con anotaciones.\nHecho con 💚 por Tamrivo.");
}

QString AboutDialog::versionText() {
    return tr("Versión %1").arg(QStringLiteral(BRINDLECAP_VERSION));
}
