#include "app/NetworkView.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "neural/FlatNetwork.h"
#include "physics/Car.h"

namespace torvask {
namespace {

// Room for the names (values on a second line) left of the inputs and right of the outputs.
constexpr double kInputLabelWidth = 100.0;
constexpr double kOutputLabelWidth = 64.0;
constexpr double kTop = 30.0;
constexpr double kBottom = 12.0;
const QColor kBackground(28, 30, 34);
const QColor kText(214, 216, 220);
const QColor kHeading(140, 144, 152);

QString unitLabel(const char* name, double value) {
    return QStringLiteral("%1\n%2").arg(QLatin1String(name)).arg(value, 0, 'f', 2);
}

}  // namespace

NetworkView::NetworkView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("networkView"));
    // Everything is painted each time; nothing behind needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void NetworkView::showNetwork(const FlatNetwork& network) {
    if (!network.isCaptured()) {
        clear();
        return;
    }
    sizes_ = network.layerSizes();
    values_ = network.nodeValues();
    weights_ = network.weights();
    update();
}

void NetworkView::clear() {
    sizes_.clear();
    values_.clear();
    weights_.clear();
    update();
}

double NetworkView::unitRadius() const {
    const int largest = sizes_.empty() ? 1 : *std::max_element(sizes_.begin(), sizes_.end());
    const double spacing = (height() - kTop - kBottom) / largest;
    return std::clamp(spacing * 0.36, 3.0, 13.0);
}

QPointF NetworkView::unitCentre(int layer, int unit) const {
    const int layers = static_cast<int>(sizes_.size());
    if (layer < 0 || layer >= layers || unit < 0 || unit >= sizes_[layer]) return {-1.0, -1.0};
    const double r = unitRadius();
    const double left = kInputLabelWidth + r + 4.0;
    const double right = width() - kOutputLabelWidth - r - 4.0;
    const double x = layers > 1 ? left + (right - left) * layer / (layers - 1) : left;
    // Each layer spreads over the full height, so five inputs are as easy to label as 14 hidden units.
    const double y = kTop + (unit + 0.5) * (height() - kTop - kBottom) / sizes_[layer];
    return {x, y};
}

QColor NetworkView::unitColour(double value) {
    const double t = std::clamp(std::isfinite(value) ? value : 0.0, -1.0, 1.0);
    const QColor dark(44, 46, 54);
    const QColor high = t >= 0.0 ? QColor(255, 226, 120) : QColor(90, 160, 255);
    const double a = std::fabs(t);
    auto mix = [a](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * a)); };
    return {mix(dark.red(), high.red()), mix(dark.green(), high.green()), mix(dark.blue(), high.blue())};
}

void NetworkView::paintLinks(QPainter& p) const {
    p.fillRect(rect(), kBackground);
    const int layers = static_cast<int>(sizes_.size());
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kHeading);
    for (int k = 0; k < layers; ++k) {
        const QString heading = k == 0 ? QStringLiteral("Inputs")
                                : k == layers - 1 ? QStringLiteral("Outputs")
                                                  : QStringLiteral("Hidden");
        const double x = unitCentre(k, 0).x();
        p.drawText(QRectF(x - 50, 4, 100, kTop - 8), Qt::AlignCenter, heading);
    }
    // The largest weight sets the full width.
    double largest = 0.0;
    for (double w : weights_) largest = std::max(largest, std::isfinite(w) ? std::fabs(w) : 0.0);
    std::size_t link = 0;
    for (int k = 1; k < layers; ++k) {
        for (int j = 0; j < sizes_[k]; ++j) {
            const QPointF to = unitCentre(k, j);
            for (int i = 0; i < sizes_[k - 1] && link < weights_.size(); ++i, ++link) {
                const double w = std::isfinite(weights_[link]) ? weights_[link] : 0.0;
                const double t = largest > 0.0 ? std::fabs(w) / largest : 0.0;
                QColor colour = w >= 0.0 ? QColor(240, 124, 52) : QColor(72, 146, 240);
                colour.setAlpha(static_cast<int>(60 + 195 * t));
                p.setPen(QPen(colour, 0.6 + 3.4 * t));
                p.drawLine(unitCentre(k - 1, i), to);
            }
        }
    }
}

void NetworkView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    const int layers = static_cast<int>(sizes_.size());
    if (layers < 2) {
        p.fillRect(rect(), kBackground);
        p.setPen(kHeading);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No driver"));
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (linkLayer_.isNull() || linkLayer_.size() != size() * ratio || linkLayerWeights_ != weights_) {
        linkLayer_ = QPixmap(size() * ratio);
        linkLayer_.setDevicePixelRatio(ratio);
        QPainter layer(&linkLayer_);
        layer.setFont(font);
        paintLinks(layer);
        linkLayerWeights_ = weights_;
    }
    p.drawPixmap(0, 0, linkLayer_);
    p.setRenderHint(QPainter::Antialiasing);

    // Discs, and the names and values of the inputs and outputs.
    const double r = unitRadius();
    std::size_t node = 0;
    for (int k = 0; k < layers; ++k) {
        for (int u = 0; u < sizes_[k]; ++u, ++node) {
            const double v = node < values_.size() ? values_[node] : 0.0;
            const QPointF c = unitCentre(k, u);
            p.setPen(QPen(QColor(196, 198, 204), 1.0));
            p.setBrush(unitColour(v));
            p.drawEllipse(c, r, r);
            const bool input = k == 0 && u < Car::kNumInputs;
            const bool output = k == layers - 1 && u < Car::kNumOutputs;
            if (!input && !output) continue;
            p.setPen(kText);
            if (input) {
                p.drawText(QRectF(0, c.y() - 17, c.x() - r - 5, 34), Qt::AlignRight | Qt::AlignVCenter,
                           unitLabel(Car::kInputNames[u], v));
            } else {
                p.drawText(QRectF(c.x() + r + 5, c.y() - 17, width() - c.x() - r - 5, 34),
                           Qt::AlignLeft | Qt::AlignVCenter, unitLabel(Car::kOutputNames[u], v));
            }
        }
    }
}

}  // namespace torvask
