#pragma once
// "Driver Report": how the learned driver drove since it last took the car from the start line —
// laps and lap times, best lap, frames off the ribbon, largest deviation from the centre line,
// mean speed, whether it got stuck, and the expert's best lap on the track when it is known —
// beside a top view of the track with the driven line coloured by speed and the frames off the
// ribbon marked. Save Image writes that picture as PNG, Save Trace the frames as CSV.
#include <QDialog>
#include <QImage>
#include <cstdint>
#include <string>

class QFormLayout;
class QLabel;
class QPushButton;

namespace torvask {

class DriveRecord;
class Track;

// The top view of a drive with its legend, as the report shows and saves it.
QImage drivePicture(const DriveRecord& record, const Track& track, const std::string& trackName);

class DriverReportDialog : public QDialog {
    Q_OBJECT

public:
    // expertBestMs: the expert's best lap on this track in milliseconds, 0 when not known.
    DriverReportDialog(const DriveRecord& record, const Track& track, const std::string& trackName,
                       std::int64_t expertBestMs, QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    // The value shown for a figure: "laps", "lapTimes", "bestLap", "expertLap", "offTrack",
    // "maxDeviation", "meanSpeed", "stuck", or "summary" (eval's summary line).
    QString figure(const char* name) const;
    QPushButton* saveImageButton() const { return saveImageButton_; }
    QPushButton* saveTraceButton() const { return saveTraceButton_; }

    // Write the picture (PNG) or the trace (CSV); false after telling the person why not.
    bool saveImage(const QString& path);
    bool saveTrace(const QString& path);

private:
    // Asks for a file to save into; empty when cancelled.
    QString askFile(const QString& title, const QString& filter, const QString& suffix, const QString& name);
    void addFigure(QFormLayout* form, const char* name, const QString& label, const QString& value);

    const DriveRecord& record_;
    std::string trackName_;
    QImage picture_;
    QPushButton* saveImageButton_ = nullptr;
    QPushButton* saveTraceButton_ = nullptr;
};

}  // namespace torvask
