#pragma once
// The driver's network drawn live: one column of discs per layer (inputs left, outputs right),
// each disc shaded by its unit's output, and a line for every link coloured by the weight's sign
// (warm positive, cool negative) and as wide as the weight is large. The inputs and outputs are
// labelled with their names and current values.
#include <QPixmap>
#include <QWidget>
#include <vector>

namespace torvask {

class FlatNetwork;

class NetworkView : public QWidget {
    Q_OBJECT

public:
    explicit NetworkView(QWidget* parent = nullptr);

    // Copies the network's shape, unit outputs and weights and repaints; a network that was
    // not captured empties the view.
    void showNetwork(const FlatNetwork& network);
    void clear();

    // What is shown: layer sizes, unit outputs in node order, weights in link order.
    const std::vector<int>& layerSizes() const { return sizes_; }
    const std::vector<double>& unitValues() const { return values_; }
    const std::vector<double>& weights() const { return weights_; }
    // The centre of unit `unit` of layer `layer` in widget pixels; (-1, -1) when there is none.
    QPointF unitCentre(int layer, int unit) const;

    QSize sizeHint() const override { return {360, 460}; }
    QSize minimumSizeHint() const override { return {300, 300}; }

    // Fill colour of a disc for a unit output: dark at 0, warm light towards 1, blue below 0.
    static QColor unitColour(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double unitRadius() const;
    // The background, headings and links, which change only with the weights or the size.
    void paintLinks(QPainter& p) const;

    std::vector<int> sizes_;
    std::vector<double> values_;
    std::vector<double> weights_;
    // The links as last painted: the car moves the units every frame, the weights only in training.
    QPixmap linkLayer_;
    std::vector<double> linkLayerWeights_;
};

}  // namespace torvask
