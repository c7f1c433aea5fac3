#pragma once

#include "annotation/Rendered.h"
#include "editor/Document.h"
#include "editor/Selection.h"
#include "platform/Result.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QLineEdit;
class QPainter;
class QTimer;
class ToolState;
class Toolbars;

// The editing surface of one display during an area capture: turns mouse and keys into calls on
// the selection, the Document and the ToolState, and paints them. It lies above the frozen image
// and the dimming layer of its overlay, which draw the screen; the canvas draws only what the
// user adds. Coordinates are the display's logical pixels, origin at the top left.
class CanvasView : public QWidget {
    Q_OBJECT

public:
    // How an editing run ends.
    struct Outcome {
        enum Kind { copy, save, text, pin, cancel };

        Kind kind = cancel;
        Rendered rendered;      // copy, save, pin
        QString recognizedText; // text
        QRect pinRect;          // pin: the selection in global screen coordinates

        static Outcome makeCopy(Rendered r) { return {copy, std::move(r), {}, {}}; }
        static Outcome makeSave(Rendered r) { return {save, std::move(r), {}, {}}; }
        static Outcome makeText(QString s) { return {text, {}, std::move(s), {}}; }
        static Outcome makePin(Rendered r, QRect rect) { return {pin, std::move(r), {}, rect}; }
        static Outcome makeCancel() { return {}; }
    };

    // frame: the display in logical pixels (the canvas's geometry in its overlay); image: the
    // frozen display in device pixels.
    CanvasView(const QRect& frame, const QImage& image, QWidget* parent = nullptr);
    ~CanvasView() override;

    // Set by the owner after construction.
    std::function<void()> onBeginSelection;
    std::function<void(const Outcome&)> onFinish;
    std::function<void(const Rendered&)> onAutoCopy;

    // On-screen window frames in canvas coordinates, front to back.
    void setWindowRects(QList<QRectF> rects) { m_windowRects = std::move(rects); }
    // Without a window list (Wayland) the hint offers no click on a window.
    void setWindowPicking(bool on) { m_windowPicking = on; }

    QRectF selection() const { return m_selection; }
    // Gives up the selection and everything drawn on it (another display took the selection).
    void clearSelection();
    // Drops the text being typed, if any; returns whether there was some (the global Escape
    // ends the typing before it ends the capture).
    bool cancelTyping();

    // What the next annotation will be, as the bars set it; tools that drive the canvas set it
    // here.
    ToolState& tools() const { return *m_tools; }

    // Loads the text engine in the background, once per process, so the first reading starts
    // quickly.
    static void warmUpOCR();

Q_SIGNALS:
    // The overlay's dimming layer follows this; a zero rectangle dims the whole display.
    void holeChanged(const QRectF& hole);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the running press-drag-release does.
    struct Selecting {
        QPointF anchor;
    };
    struct Moving {
        QPointF last;
    };
    struct Resizing {
        Selection::Handle handle;
        QRectF original;
    };
    struct MovingAnnotation {
        QPointF last;
        bool checkpointed = false;
    };
    struct Idle {};
    struct Drawing {};
    using Drag = std::variant<Selecting, Moving, Resizing, MovingAnnotation, Idle, Drawing>;
    template <class T> bool dragIs() const { return std::holds_alternative<T>(m_drag); }

    QRectF bounds() const;
    // What the dimming layer leaves clear: the selection, else the hovered window, else nothing.
    QRectF hole() const;
    const QImage& image() const { return m_document.flattening().image(); }

    // The ends of an editing run.
    std::optional<Rendered> render();
    void copy();
    void saveDocument();
    void pin();
    void cancelOperation();
    // Reads the selection's screen text and ends the run with it; the HUD tells when it fails.
    void recognizeText();
    void finishRecognition(const Result<QStringList>& lines);
    void refreshLiveCopy();

    void undo();
    void redo();
    void deleteSelectedAnnotation();
    void documentChanged();

    void beginText(QPointF p);
    void commitText();
    void cancelText();

    void connectTools();
    void showHUD(const QString& text, bool sticky, double seconds);

    void mouseDragged(QPointF p, Qt::KeyboardModifiers modifiers);
    void mouseMoved(QPointF p);
    void startSelecting(QPointF p);
    void selectionChanged();
    void updateCursor(QPointF p);
    void repaintLoupeArea();
    bool isOverBar(QPointF p) const;
    std::optional<QRectF> loupeRect() const;

    void drawHoverHint(QPainter& painter) const;
    void drawSelectedOutline(QPainter& painter) const;
    void drawSelectionFrame(QPainter& painter) const;
    void drawSizeLabel(QPainter& painter) const;
    void drawHUD(QPainter& painter) const;
    void drawLoupe(QPainter& painter) const;

    QList<QRectF> m_windowRects;
    bool m_windowPicking = true;
    Document m_document;
    QRectF m_selection;
    // A child of the canvas; the bars call it directly.
    ToolState* m_tools = nullptr;
    QPointer<QLineEdit> m_activeField;
    std::optional<QRectF> m_hoveredWindow;
    std::optional<QPointF> m_mouse;
    QRectF m_lastLoupeRect;
    Drag m_drag = Idle{};
    // Its widgets are children of the canvas; this only holds them together.
    std::unique_ptr<Toolbars> m_bars;
    std::optional<QString> m_hudText;
    QTimer* m_hudTimer = nullptr;
};
