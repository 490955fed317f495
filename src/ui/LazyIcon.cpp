#include "ui/LazyIcon.h"

#include <QIconEngine>
#include <QPainter>

#include <memory>
#include <optional>

namespace {

struct LazySource {
    std::function<QIcon()> make;
    std::optional<QIcon> icon;
    // Whether the made icon may be null; else the icon is not null unmade.
    bool mayBeNull = false;

    const QIcon& get()
    {
        if (!icon) {
            icon = make();
            make = nullptr;
        }
        return *icon;
    }
};

class TLazyIconEngine : public QIconEngine {
public:
    explicit TLazyIconEngine(std::shared_ptr<LazySource> source)
        : source_(std::move(source))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        source_->get().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return source_->get().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // size is in device pixels here; the icon takes logical ones.
        return source_->get().pixmap(size / scale, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return source_->get().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return source_->get().availableSizes(mode, state);
    }
    QString iconName() override { return source_->get().name(); }
    bool isNull() override { return source_->mayBeNull && source_->get().isNull(); }
    QString key() const override { return QStringLiteral("TLazyIconEngine"); }
    QIconEngine* clone() const override { return new TLazyIconEngine(source_); }

private:
    std::shared_ptr<LazySource> source_;
};

} // namespace

QIcon LazyIcon(std::function<QIcon()> make)
{
    auto source = std::make_shared<LazySource>();
    source->make = std::move(make);
    return QIcon(new TLazyIconEngine(std::move(source)));
}

QIcon LazyThemeIcon(const QString& name, const QIcon& fallback)
{
    auto source = std::make_shared<LazySource>();
    source->make = [name, fallback] { return QIcon::fromTheme(name, fallback); };
    source->mayBeNull = true;
    return QIcon(new TLazyIconEngine(std::move(source)));
}
