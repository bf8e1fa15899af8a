#include "app/DriverReportDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "physics/Track.h"
#include "teach/DriveRecord.h"
#include "teach/TrackPlot.h"

namespace torvask {
namespace {

// The picture on screen fits this box; saved, it keeps its full size.
constexpr int kShownWidth = 620;
constexpr int kShownHeight = 600;

}  // namespace

QImage drivePicture(const DriveRecord& record, const Track& track, const std::string& trackName) {
    const TrackPlot plot(track);
    const std::vector<TracePoint> trace = record.tracePoints();
    const PlotImage pixels = plot.draw(trace);
    QImage image(pixels.width, pixels.height, QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height; ++y) {
        std::copy_n(pixels.pixels.data() + static_cast<std::size_t>(y) * pixels.width, pixels.width,
                    reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::black);
    for (const PlotText& text : plot.legendTexts(trace, trackName)) {
        p.drawText(QPointF(text.x, text.y), QString::fromStdString(text.text));
    }
    return image;
}

DriverReportDialog::DriverReportDialog(const DriveRecord& record, const Track& track, const std::string& trackName,
                                       std::int64_t expertBestMs, QWidget* parent)
    : QDialog(parent), record_(record), trackName_(trackName) {
    setWindowTitle(QStringLiteral("Driver Report"));
    setObjectName(QStringLiteral("driverReport"));
    picture_ = drivePicture(record, track, trackName);

    const DriveMonitor& monitor = record.monitor();
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    addFigure(form, "laps", QStringLiteral("Laps:"), QString::number(monitor.laps().size()));
    QStringList times;
    for (std::size_t i = 0; i < monitor.laps().size(); ++i) {
        times << QStringLiteral("%1.  %2").arg(i + 1).arg(QString::fromStdString(formatLapTime(monitor.laps()[i].lapTextMs)));
    }
    addFigure(form, "lapTimes", QStringLiteral("Lap times:"), times.isEmpty() ? QStringLiteral("none") : times.join('\n'));
    addFigure(form, "bestLap", QStringLiteral("Best lap:"), QString::fromStdString(monitor.bestLapText()));
    addFigure(form, "expertLap", QStringLiteral("Expert's best lap:"),
              expertBestMs > 0 ? QString::fromStdString(formatLapTime(expertBestMs)) : QStringLiteral("not known"));
    addFigure(form, "offTrack", QStringLiteral("Frames off the ribbon:"),
              QStringLiteral("%1 of %2").arg(monitor.offTrackFrames()).arg(monitor.frames()));
    addFigure(form, "maxDeviation", QStringLiteral("Largest deviation:"),
              QStringLiteral("%1 (the road's half width is %2)")
                  .arg(monitor.maxDeviation(), 0, 'f', 2)
                  .arg(track.getTrackWidth() * 0.5, 0, 'f', 2));
    addFigure(form, "meanSpeed", QStringLiteral("Mean speed:"), QString::number(monitor.meanSpeed(), 'f', 2));
    addFigure(form, "stuck", QStringLiteral("Stuck:"), monitor.stuck() ? QStringLiteral("yes") : QStringLiteral("no"));

    auto* summary = new QLabel(QString::fromStdString(monitor.summaryLine()), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary->setWordWrap(true);
    QFont fixed(QStringLiteral("Liberation Mono"));
    fixed.setPointSizeF(font().pointSizeF() * 0.9);
    summary->setFont(fixed);
    summary->setToolTip(QStringLiteral("The same line as torvask-lab eval prints"));

    auto* shown = new QLabel(this);
    shown->setObjectName(QStringLiteral("picture"));
    shown->setPixmap(QPixmap::fromImage(
        picture_.scaled(kShownWidth, kShownHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    shown->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* buttons = new QDialogButtonBox(this);
    saveImageButton_ = buttons->addButton(QStringLiteral("Save Image..."), QDialogButtonBox::ActionRole);
    saveTraceButton_ = buttons->addButton(QStringLiteral("Save Trace..."), QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(saveImageButton_, &QPushButton::clicked, this, [this] {
        const QString path = askFile(QStringLiteral("Save Image"), QStringLiteral("PNG Images (*.png)"),
                                     QStringLiteral("png"), QString::fromStdString(trackName_) + QStringLiteral(".png"));
        if (!path.isEmpty()) saveImage(path);
    });
    connect(saveTraceButton_, &QPushButton::clicked, this, [this] {
        const QString path = askFile(QStringLiteral("Save Trace"), QStringLiteral("CSV Files (*.csv)"),
                                     QStringLiteral("csv"), QString::fromStdString(trackName_) + QStringLiteral(".csv"));
        if (!path.isEmpty()) saveTrace(path);
    });

    auto* figures = new QVBoxLayout;
    figures->addLayout(form);
    figures->addSpacing(12);
    figures->addWidget(summary);
    figures->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(shown, 1);
    body->addLayout(figures);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
}

void DriverReportDialog::addFigure(QFormLayout* form, const char* name, const QString& label, const QString& value) {
    auto* field = new QLabel(value, this);
    field->setObjectName(QString::fromLatin1(name));
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(label, field);
}

QString DriverReportDialog::figure(const char* name) const {
    auto* field = findChild<QLabel*>(QString::fromLatin1(name));
    return field ? field->text() : QString();
}

QString DriverReportDialog::askFile(const QString& title, const QString& filter, const QString& suffix,
                                    const QString& name) {
    QFileDialog dialog(this, title);
    dialog.setObjectName(QStringLiteral("saveReportDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

bool DriverReportDialog::saveImage(const QString& path) {
    if (picture_.save(path, "PNG")) return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Torvask"), QStringLiteral("Error saving image\n\n") + path,
                    QMessageBox::Ok, this);
    box.exec();
    return false;
}

bool DriverReportDialog::saveTrace(const QString& path) {
    if (record_.writeTrace(path.toStdString())) return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Torvask"), QStringLiteral("Error saving trace\n\n") + path,
                    QMessageBox::Ok, this);
    box.exec();
    return false;
}

}  // namespace torvask
