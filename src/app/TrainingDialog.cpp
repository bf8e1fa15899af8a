#include "app/TrainingDialog.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <system_error>

#include "app/AppSettings.h"
#include "app/ChartThinning.h"
#include "driver/Driver.h"

namespace torvask {
namespace {

// A long run reports every 10 passes for hours; past this count the stored points are thinned
// so the chart stays quick while keeping the shape of the curve.
constexpr std::size_t kMaxChartPoints = 2000;
// The fields follow the training at this interval, however often it reports; the chart, whose
// repaint costs far more, every kChartEvery-th time (and always with the last report).
constexpr int kRefreshMs = 50;
constexpr int kChartEvery = 4;
const QString kIterationLimitKey = QStringLiteral("training/iterationLimit");
constexpr int kMaxIterationLimit = 10000000;
constexpr int kIterationLimitStep = 100;

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignCenter);
    field->setFocusPolicy(Qt::NoFocus);
    field->setMinimumWidth(150);
    return field;
}

QList<QPointF> toList(const std::vector<QPointF>& points) { return QList<QPointF>(points.begin(), points.end()); }

}  // namespace

QString TrainingDialog::formatTotalError(double totalError) { return QString::asprintf("%10.10f", totalError); }

TrainingDialog::TrainingDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Training Driver"));
    iterationsField_ = makeField(this, "iterationsField");
    goodPatternsField_ = makeField(this, "goodPatternsField");
    bestField_ = makeField(this, "bestField");
    totalErrorField_ = makeField(this, "totalErrorField");
    lobeField_ = makeField(this, "lobeField");
    lobeLabel_ = new QLabel(QStringLiteral("Lobe:"), this);
    // The lobe name is kept up to date but not shown.
    lobeField_->hide();
    lobeLabel_->hide();

    // Training runs thousands of passes a second, far too fast to stop by hand at the few
    // hundred that usually serve best.
    iterationLimitBox_ = new QSpinBox(this);
    iterationLimitBox_->setObjectName(QStringLiteral("iterationLimitBox"));
    iterationLimitBox_->setRange(0, kMaxIterationLimit);
    iterationLimitBox_->setSingleStep(kIterationLimitStep);
    iterationLimitBox_->setSuffix(QStringLiteral(" iterations"));
    iterationLimitBox_->setSpecialValueText(QStringLiteral("no limit"));
    iterationLimitBox_->setAlignment(Qt::AlignCenter);
    iterationLimitBox_->setToolTip(QStringLiteral("0: train until every pattern is learned or Stop is pressed"));
    {
        const int remembered = openSettings()->value(kIterationLimitKey, kDefaultIterationLimit).toInt();
        iterationLimitBox_->setValue(remembered);
        iterationLimit_ = iterationLimitBox_->value();
    }
    connect(iterationLimitBox_, &QSpinBox::valueChanged, this, [this](int value) {
        iterationLimit_ = value;
        openSettings()->setValue(kIterationLimitKey, value);
    });

    startButton_ = new QPushButton(QStringLiteral("Start"), this);
    startButton_->setObjectName(QStringLiteral("startButton"));
    startButton_->setDefault(true);
    stopButton_ = new QPushButton(QStringLiteral("Stop"), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    testDriverButton_ = new QPushButton(QStringLiteral("Test Driver"), this);
    testDriverButton_->setObjectName(QStringLiteral("testDriverButton"));
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->hide();
    connect(startButton_, &QPushButton::clicked, this, &TrainingDialog::start);
    connect(stopButton_, &QPushButton::clicked, this, &TrainingDialog::stop);
    connect(testDriverButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &TrainingDialog::reject);

    auto* fields = new QGridLayout;
    int row = 0;
    auto addRow = [&](const char* label, QWidget* field, QLabel* labelWidget = nullptr) {
        fields->addWidget(labelWidget ? labelWidget : new QLabel(QString::fromLatin1(label), this), row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    };
    addRow("Iterations:", iterationsField_);
    addRow("Good Patterns:", goodPatternsField_);
    addRow("Best so far:", bestField_);
    addRow("Total Error:", totalErrorField_);
    addRow("Lobe:", lobeField_, lobeLabel_);
    addRow("Stop after:", iterationLimitBox_);

    auto* firstButtons = new QHBoxLayout;
    firstButtons->addWidget(startButton_);
    firstButtons->addStretch(1);
    firstButtons->addWidget(stopButton_);
    auto* secondButtons = new QHBoxLayout;
    secondButtons->addStretch(1);
    secondButtons->addWidget(testDriverButton_);
    secondButtons->addStretch(1);
    secondButtons->addWidget(cancelButton_);

    // The chart: total error (left axis) and the share of good patterns in percent (right
    // axis) against the iteration, so the learning can be watched as it happens.
    errorSeries_ = new QLineSeries;
    errorSeries_->setName(QStringLiteral("Total error"));
    goodShareSeries_ = new QLineSeries;
    goodShareSeries_->setName(QStringLiteral("Good patterns (%)"));
    auto* chart = new QChart;
    chart->addSeries(errorSeries_);
    chart->addSeries(goodShareSeries_);
    iterationAxis_ = new QValueAxis;
    iterationAxis_->setTitleText(QStringLiteral("Iteration"));
    iterationAxis_->setLabelFormat(QStringLiteral("%d"));
    iterationAxis_->setRange(0, 10);
    iterationAxis_->setTickCount(6);  // 0, 2, ... 10: whole numbers before the first report
    errorAxis_ = new QValueAxis;
    errorAxis_->setTitleText(QStringLiteral("Total error"));
    errorAxis_->setRange(0, 1);
    auto* shareAxis = new QValueAxis;
    shareAxis->setTitleText(QStringLiteral("Good %"));
    shareAxis->setRange(0, 100);
    shareAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(iterationAxis_, Qt::AlignBottom);
    chart->addAxis(errorAxis_, Qt::AlignLeft);
    chart->addAxis(shareAxis, Qt::AlignRight);
    errorSeries_->attachAxis(iterationAxis_);
    errorSeries_->attachAxis(errorAxis_);
    goodShareSeries_->attachAxis(iterationAxis_);
    goodShareSeries_->attachAxis(shareAxis);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chartView_ = new QChartView(chart, this);
    chartView_->setObjectName(QStringLiteral("trainingChart"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumSize(420, 260);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(kRefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, [this] { refresh(false); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(firstButtons);
    layout->addLayout(secondButtons);
    layout->addWidget(chartView_, 1);
}

TrainingDialog::~TrainingDialog() {
    if (thread.joinable()) {
        // Normally the dialog closes only after the thread has ended. If it is destroyed
        // earlier, stop the training and keep delivering its blocking calls until it ends.
        // Each wait sleeps until an event comes (the thread's last act posts one), and the
        // user's input waits for the dialog to be gone.
        closeRequested_ = true;
        stopRequested = true;
        while (threadRunning_.load()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
        }
        // The events just delivered may have included the end-of-thread call, which joins.
        if (thread.joinable()) thread.join();
    }
}

void TrainingDialog::showEvent(QShowEvent* event) {
    if (!initialised_) initialise();
    QDialog::showEvent(event);
}

void TrainingDialog::initialise() {
    initialised_ = true;
    if (!driver && !trainer_) return;
    stopButton_->setEnabled(false);
    testDriverButton_->setEnabled(false);
    startButton_->setEnabled(true);
    startButton_->setDefault(true);
    startButton_->setFocus();
}

void TrainingDialog::start() {
    // A dialog trains at most once.
    if (thread.joinable() || threadRunning_.load()) return;
    startButton_->setEnabled(false);
    stopButton_->setEnabled(true);
    threadRunning_ = true;
    trained_ = true;
    refreshTimer_->start();
    // std::thread reports a failed start by throwing; that is the one place we must catch.
    try {
        thread = std::thread(&TrainingDialog::trainingThread, this);
    } catch (const std::system_error&) {
        threadRunning_ = false;
        trained_ = false;
        refreshTimer_->stop();
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvask"), QStringLiteral("Error starting training thread"),
                        QMessageBox::Ok, this);
        box.exec();
    }
}

void TrainingDialog::stop() { stopRequested = true; }

void TrainingDialog::onGuiThread(const std::function<void()>& fn) {
    if (QThread::currentThread() == QObject::thread()) {
        fn();
    } else {
        QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
    }
}

void TrainingDialog::trainingThread() {
    const std::string prefix = patternPrefix;
    const std::string folder = lobeFolder;
    if (trainer_) trainer_(prefix, folder, &TrainingDialog::progressCallback, this);
    if (!closeRequested_.load()) {
        onGuiThread([this] {
            // The last reports are on screen before the box says the training is over.
            refresh(true);
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvask"), QStringLiteral("Training Complete"),
                            QMessageBox::Ok, this);
            box.setObjectName(QStringLiteral("trainingCompleteBox"));
            // It opens over the chart; a frame of its own keeps it from reading as part of it
            // where the window system draws none.
            box.setStyleSheet(QStringLiteral("QMessageBox#trainingCompleteBox { border: 2px solid palette(dark); }"));
            box.exec();
            stopButton_->setEnabled(false);
            testDriverButton_->setEnabled(true);
            testDriverButton_->setDefault(true);
            testDriverButton_->setFocus();
        });
    }
    threadRunning_ = false;
    QMetaObject::invokeMethod(this, &TrainingDialog::onThreadFinished, Qt::QueuedConnection);
}

int TrainingDialog::progressCallback(const TrainingProgress& progress, void* userData) {
    auto* dialog = static_cast<TrainingDialog*>(userData);
    if (!dialog) return -1;
    {
        const double share =
            progress.numPatterns > 0 ? 100.0 * progress.goodPatterns / progress.numPatterns : 0.0;
        std::lock_guard<std::mutex> lock(dialog->reportMutex_);
        if (progress.lobeName != dialog->chartLobe_) {
            // A new lobe starts its own curve.
            dialog->chartLobe_ = progress.lobeName;
            dialog->errorPoints_.clear();
            dialog->sharePoints_.clear();
            dialog->maxError_ = 0.0;
        }
        appendThinned(dialog->errorPoints_, QPointF(progress.iteration, progress.totalError), kMaxChartPoints);
        appendThinned(dialog->sharePoints_, QPointF(progress.iteration, share), kMaxChartPoints);
        dialog->maxError_ = std::max(dialog->maxError_, progress.totalError);
        dialog->latest_ = progress;
        dialog->fresh_ = true;
        if (dialog->networkWatcher_ && dialog->driver) {
            Brain& brain = dialog->driver->getBrain();
            for (int k = 0; k < brain.getNumLobes(); ++k) {
                Lobe* lobe = brain.getLobe(k);
                if (lobe->getName() != progress.lobeName) continue;
                dialog->networkFresh_ = dialog->reportedNetwork_.capture(lobe->getNetwork());
                break;
            }
        }
    }
    // Closing asks every remaining lobe to stop too, so the thread ends soon.
    if (dialog->closeRequested_.load()) return -1;
    if (dialog->stopRequested.exchange(false)) return -1;
    const int limit = dialog->iterationLimit_.load();
    if (limit > 0 && progress.iteration >= limit) return -1;
    return 0;
}

void TrainingDialog::refresh(bool last) {
    const bool withChart = last || ++refreshCount_ % kChartEvery == 0;
    TrainingProgress progress;
    QList<QPointF> errorPoints;
    QList<QPointF> sharePoints;
    double maxError = 0.0;
    if (networkWatcher_) {
        FlatNetwork network;
        {
            std::lock_guard<std::mutex> lock(reportMutex_);
            if (networkFresh_) network = reportedNetwork_;
            networkFresh_ = false;
        }
        if (network.isCaptured()) networkWatcher_(network);
    }
    {
        std::lock_guard<std::mutex> lock(reportMutex_);
        if (!fresh_ && !(withChart && chartStale_)) return;
        progress = latest_;
        if (withChart) {
            errorPoints = toList(errorPoints_);
            sharePoints = toList(sharePoints_);
            maxError = maxError_;
        }
        chartStale_ = (chartStale_ || fresh_) && !withChart;
        fresh_ = false;
    }
    lobeField_->setText(QString::fromStdString(progress.lobeName));
    iterationsField_->setText(QString::number(progress.iteration));
    goodPatternsField_->setText(QStringLiteral("%1/%2").arg(progress.goodPatterns).arg(progress.numPatterns));
    bestField_->setText(QString::number(progress.bestSoFar));
    totalErrorField_->setText(formatTotalError(progress.totalError));
    if (!withChart) return;

    errorSeries_->replace(errorPoints);
    goodShareSeries_->replace(sharePoints);
    // Round tick values (0, 50, 100 ... rather than 0, 37, 75 ...) keep the axes readable.
    iterationAxis_->setRange(0, std::max(10, progress.iteration));
    iterationAxis_->applyNiceNumbers();
    errorAxis_->setRange(0, maxError > 0.0 ? maxError * 1.05 : 1.0);
    errorAxis_->applyNiceNumbers();
}

void TrainingDialog::onThreadFinished() {
    if (thread.joinable()) thread.join();
    refreshTimer_->stop();
    refresh(true);
    if (closeRequested_.load()) QDialog::reject();
}

void TrainingDialog::reject() {
    if (threadRunning_.load()) {
        // Closing while training: stop the lobes and close once the thread has ended. The
        // GUI thread stays free meanwhile, since the thread needs it for its progress texts.
        closeRequested_ = true;
        stopRequested = true;
        stopButton_->setEnabled(false);
        return;
    }
    QDialog::reject();
}

void TrainingDialog::closeEvent(QCloseEvent* event) {
    if (threadRunning_.load()) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace torvask
