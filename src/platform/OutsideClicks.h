#pragma once

#include <QAbstractNativeEventFilter>

#include <functional>
#include <memory>

// Left and right button presses anywhere on the display, in every program, while the object
// lives: on X11 the XInput 2 raw button events of the root window, which arrive whatever window
// is under the pointer and whoever grabbed it. Elsewhere nothing is reported. Main thread only.
class OutsideClicks : public QAbstractNativeEventFilter {
public:
    using Handler = std::function<void()>;

    explicit OutsideClicks(Handler onPress);
    ~OutsideClicks() override;

    OutsideClicks(const OutsideClicks&) = delete;
    OutsideClicks& operator=(const OutsideClicks&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void select(bool on);

    Handler m_onPress;
    uint8_t m_opcode = 0;
};
