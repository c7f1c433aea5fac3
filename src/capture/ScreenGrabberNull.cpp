#include "capture/ScreenGrabber.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

class NullGrabber final : public ScreenGrabber {
public:
    explicit NullGrabber(QString reason) : m_reason(std::move(reason)) {}

    const char* name() const override { return "ninguna"; }

    void capture(const QList<QScreen*>&, Done done) override {
        QMetaObject::invokeMethod(
            qApp, [done = std::move(done), reason = m_reason] { done(Failure{reason}); },
            Qt::QueuedConnection);
    }

private:
    QString m_reason;
};

} // namespace

std::unique_ptr<ScreenGrabber> ScreenGrabberNull::create(QString reason) {
    return std::make_unique<NullGrabber>(std::move(reason));
}
