#pragma once

#include "annotation/Annotation.h"
#include "annotation/Flattening.h"
#include "annotation/Rendered.h"
#include "annotation/Tool.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QLineEdit;
class QPainter;
class QTimer;
class Toolbars;

// The editing surface of one display during an area capture: turns mouse and keys into a
// selection and a list of annotations. It lies above the frozen image and the dimming layer of
// its overlay, which draw the screen; the canvas draws only what the user adds. Coordinates are
// the display's logical pixels, origin at the top left.
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

    // A resize handle: dx −1 left edge, 0 middle, +1 right edge; dy −1 top edge, 0 middle,
    // +1 bottom edge. Never both 0.
    struct Handle {
        int dx = 0;
        int dy = 0;
        friend bool operator==(Handle, Handle) = default;
    };

    // What the running press-drag-release does.
    struct Drag {
        struct Selecting {
            QPointF anchor;
        };
        struct Moving {
            QPointF last;
        };
        struct Resizing {
            Handle handle;
            QRectF original;
        };
        struct MovingAnnotation {
            QPointF last;
            bool checkpointed = false;
        };
        struct None {};
        struct Drawing {};

        std::variant<Selecting, Moving, Resizing, MovingAnnotation, None, Drawing> state = None{};

        template <class T> bool is() const { return std::holds_alternative<T>(state); }
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
    const QList<QRectF>& windowRects() const { return m_windowRects; }

    const QImage& image() const { return m_flattening.image(); }
    QRectF bounds() const { return QRectF(QPointF(0, 0), m_flattening.viewSize()); }
    QRectF selection() const { return m_selection; }
    const QList<AnnotationRef>& annotations() const { return m_annotations; }
    const QList<QList<AnnotationRef>>& undoStack() const { return m_undoStack; }
    const QList<QList<AnnotationRef>>& redoStack() const { return m_redoStack; }
    AnnotationRef current() const { return m_current; }
    AnnotationRef selectedAnnotation() const { return m_selectedAnnotation; }
    std::optional<Tool> tool() const { return m_tool; }
    QColor color() const { return m_color; }
    QLineEdit* activeField() const;
    std::optional<QRectF> hoveredWindow() const { return m_hoveredWindow; }
    std::optional<QPointF> mouse() const { return m_mouse; }
    const Drag& drag() const { return m_drag; }
    double scrollAccumulator() const { return m_scrollAccumulator; }
    std::optional<QString> hudText() const { return m_hudText; }
    // What the dimming layer leaves clear: the selection, else the hovered window, else nothing.
    QRectF hole() const;

    // Reads the text of a frozen-screen crop; nothing (or nothing but blanks) when it finds
    // none. Runs on a worker thread. Set by the application; while absent, recognition is
    // reported as unavailable.
    static std::function<std::optional<QString>(const QImage&)> textRecognizer;

    // The toolbars and their popups, built with the canvas.
    Toolbars& bars() const { return *m_bars; }

    // The toolbar operations.
    void pointerMode();
    void toggle(Tool tool);
    void togglePalette();
    // Colour of new annotations and of the text being typed; closes the palette.
    void pick(const QColor& color);

    // Flattening of the selection with the annotations (an open text field is committed first).
    std::optional<Rendered> render();
    QRect pixelRect(const QRectF& r) const { return m_flattening.pixelRect(r); }
    std::optional<QImage> pixelate(const QRectF& r) const { return m_flattening.pixelate(r); }

    void clearSelection();
    void pin();
    void refreshLiveCopy();

    // The ends of an editing run that need no toolbar: copy, save and cancel.
    void copy();
    void saveDocument();
    void cancelOperation();

    void checkpoint();
    void undo();
    void redo();
    void deleteSelectedAnnotation();

    void beginText(QPointF p);
    void commitText();
    void cancelText();

    void setOpacity(double value);
    void setSize(double value, Tool tool);
    void showHUD(const QString& text, bool sticky, double seconds);
    // Reads the selection's screen text and ends the run with it; the HUD tells when it fails.
    void recognizeText();
    std::optional<QRectF> loupeRect() const;
    // The frozen image's pixel under the pointer, whose coordinates the loupe shows.
    std::optional<QPoint> loupePixel() const;
    // The selection's size in device pixels, as its label reads ("1280 × 720").
    QString sizeLabelText() const;
    bool isOverBar(QPointF p) const;

    std::optional<Handle> handle(QPointF p) const;
    // The eight handles of the selection with their centres, left column first, top first.
    std::array<std::pair<Handle, QPointF>, 8> handleCentres() const;

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
    void mouseDragged(QPointF p, Qt::KeyboardModifiers modifiers);
    void mouseMoved(QPointF p);
    void startSelecting(QPointF p);
    void selectionChanged();
    void beginAnnotation(Tool tool, QPointF p);
    void updateCursor(QPointF p);
    void repaintLoupeArea();
    void restore(QList<AnnotationRef> list);
    QPointF clampedToBounds(QPointF p) const;

    void buildBars();
    void hidePopups();
    void finishRecognition(const std::optional<QString>& text);

    void drawHoverHint(QPainter& painter) const;
    void drawSelectedOutline(QPainter& painter) const;
    void drawSelectionFrame(QPainter& painter) const;
    void drawSizeLabel(QPainter& painter) const;
    void drawHUD(QPainter& painter) const;
    void drawLoupe(QPainter& painter) const;

    QList<QRectF> m_windowRects;
    Flattening m_flattening;
    QRectF m_selection;
    QList<AnnotationRef> m_annotations;
    QList<QList<AnnotationRef>> m_undoStack;
    QList<QList<AnnotationRef>> m_redoStack;
    AnnotationRef m_current;
    AnnotationRef m_selectedAnnotation;
    std::optional<Tool> m_tool;
    QColor m_color;
    QPointer<QLineEdit> m_activeField;
    std::optional<QRectF> m_hoveredWindow;
    std::optional<QPointF> m_mouse;
    QRectF m_lastLoupeRect;
    Drag m_drag;
    // Its widgets are children of the canvas; this only holds them together.
    std::unique_ptr<Toolbars> m_bars;
    std::optional<QString> m_hudText;
    QTimer* m_hudTimer = nullptr;
    double m_scrollAccumulator = 0;
};
