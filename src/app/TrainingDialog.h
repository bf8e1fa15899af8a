#pragma once
// "Training Driver": Start trains the driver's lobes on the recorded pattern files in a
// background thread, the fields (and a chart of total error and good-pattern share) follow
// its progress, Stop asks the lobe in training to end at its next report, and Test Driver
// closes the dialog once training is over. "Stop after" ends each lobe at its first report
// at or past that many iterations (0: until every pattern is learned or Stop); the value is
// remembered for the next time.
//
// Threads: the training thread runs the trainer and the progress callback. The callback only
// leaves its report with the dialog (under a mutex) and never waits for the GUI thread, since a
// lobe may report every few milliseconds; a timer on the GUI thread shows the latest report and
// plots the new points a few dozen times a second, and once more when training ends, before
// "Training Complete". stopRequested is the shared stop flag. The thread never outlives the
// dialog: closing while training requests a stop and closes only once the thread has ended,
// without blocking the GUI thread meanwhile.
#include <QDialog>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QPointF>

#include "neural/FlatNetwork.h"
#include "neural/Lobe.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

class QChartView;
class QLineSeries;
class QValueAxis;

namespace torvask {

class Driver;

class TrainingDialog : public QDialog {
    Q_OBJECT

public:
    // Trains every lobe: (pattern prefix, lobe folder, callback, user value) -> sum of results.
    using Trainer = std::function<int(const std::string&, const std::string&, ProgressCallback, void*)>;

    explicit TrainingDialog(QWidget* parent = nullptr);
    ~TrainingDialog() override;

    // Filled by the creator before the dialog is shown.
    Driver* driver = nullptr;
    std::string patternPrefix;
    std::string lobeFolder;
    std::string driversFolder;  // not used by the dialog
    // What Start runs; the creator binds it to the driver's training.
    void setTrainer(Trainer trainer) { trainer_ = std::move(trainer); }
    // Shown a copy of the network in training at the fields' refresh rate (GUI thread): the
    // copy is taken on the training thread at each report, while the network is at rest.
    using NetworkWatcher = std::function<void(FlatNetwork& network)>;
    void setNetworkWatcher(NetworkWatcher watcher) { networkWatcher_ = std::move(watcher); }

    // The lobe's progress callback; userData is the dialog. Runs on the training thread.
    static int progressCallback(const TrainingProgress& progress, void* userData);

    bool isTraining() const { return threadRunning_.load(); }
    // Whether Start ran the training (the network may have changed since the dialog opened).
    bool hasTrained() const { return trained_; }

    // The remembered "Stop after" value when none was ever chosen.
    static constexpr int kDefaultIterationLimit = 1000;

    QPushButton* startButton() const { return startButton_; }
    QPushButton* stopButton() const { return stopButton_; }
    QPushButton* testDriverButton() const { return testDriverButton_; }
    QLineEdit* iterationsField() const { return iterationsField_; }
    QLineEdit* goodPatternsField() const { return goodPatternsField_; }
    QLineEdit* bestField() const { return bestField_; }
    QLineEdit* totalErrorField() const { return totalErrorField_; }
    QLineEdit* lobeField() const { return lobeField_; }
    QSpinBox* iterationLimitBox() const { return iterationLimitBox_; }
    QLineSeries* errorSeries() const { return errorSeries_; }
    QValueAxis* iterationAxis() const { return iterationAxis_; }
    QLineSeries* goodShareSeries() const { return goodShareSeries_; }

    // "%10.10f": ten decimals, at least ten characters wide.
    static QString formatTotalError(double totalError);

public slots:
    void start();
    void stop();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void initialise();
    void trainingThread();
    // GUI thread: shows the latest report left by the callback and, every few calls or when last,
    // the chart with every point since.
    void refresh(bool last);
    void onThreadFinished();
    // Runs fn on the GUI thread and waits for it.
    void onGuiThread(const std::function<void()>& fn);

    Trainer trainer_;
    NetworkWatcher networkWatcher_;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> closeRequested_{false};
    std::atomic<bool> threadRunning_{false};
    std::atomic<int> iterationLimit_{kDefaultIterationLimit};  // 0: no limit
    bool trained_ = false;
    std::thread thread;
    bool initialised_ = false;

    QLineEdit* iterationsField_ = nullptr;
    QLineEdit* goodPatternsField_ = nullptr;
    QLineEdit* bestField_ = nullptr;
    QLineEdit* totalErrorField_ = nullptr;
    QLineEdit* lobeField_ = nullptr;
    QLabel* lobeLabel_ = nullptr;
    QSpinBox* iterationLimitBox_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* testDriverButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;

    QChartView* chartView_ = nullptr;
    QLineSeries* errorSeries_ = nullptr;
    QLineSeries* goodShareSeries_ = nullptr;
    QValueAxis* iterationAxis_ = nullptr;
    QValueAxis* errorAxis_ = nullptr;
    QTimer* refreshTimer_ = nullptr;

    // Written by the training thread, read by refresh, under reportMutex_: the latest report and
    // the curves so far (already thinned, so they stay small however long the training runs).
    std::mutex reportMutex_;
    TrainingProgress latest_;
    std::string chartLobe_;
    double maxError_ = 0.0;
    std::vector<QPointF> errorPoints_;
    std::vector<QPointF> sharePoints_;
    bool fresh_ = false;       // a report came since the last refresh
    FlatNetwork reportedNetwork_;  // the lobe as it stood at the latest report (with a watcher)
    bool networkFresh_ = false;
    bool chartStale_ = false;  // the chart has not shown every report yet
    int refreshCount_ = 0;
};

}  // namespace torvask
