#include "commands/WorkbookReader.h"

#include "commands/HelperFrames.h"
#include "platform/Processor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>

namespace {

QString helperProgram()
{
#ifdef _WIN32
    const QString name = QStringLiteral("/orvelle-xls-reader.exe");
#else
    const QString name = QStringLiteral("/orvelle-xls-reader");
#endif
    return QCoreApplication::applicationDirPath() + name;
}

// The workbook helper, serving one request after another. It belongs to the
// application and ends with it; a helper that misbehaves or finds a workbook
// damaged is stopped and the next read starts a fresh one.
class WorkbookHelper : public QObject {
public:
    static WorkbookHelper& instance()
    {
        static QPointer<WorkbookHelper> helper;
        if (!helper) {
            helper = new WorkbookHelper(QCoreApplication::instance());
        }
        return *helper;
    }

    ~WorkbookHelper() override { stop(); }

    CommandRange read(const QString& path, std::chrono::milliseconds limit)
    {
        if (!process_ || process_->state() == QProcess::NotRunning) {
            start();
        }
        if (!process_->waitForStarted()) {
            stop();
            return QStringLiteral("the workbook reader %1 cannot be started").arg(helperProgram());
        }
        // The helper reads while the program waits: on the program's processor
        // it takes the program's turn instead of waking another one.
        platform::keepOnThisProcessor(process_->processId());
        // UTF-8, which the helper opens with the system's wide-character calls on Windows.
        const QByteArray file = path.toUtf8();
        process_->write(QByteArray::fromStdString(
            helperframes::request(std::string_view(file.constData(), std::size_t(file.size())))));

        QElapsedTimer waited;
        waited.start();
        QByteArray received;
        for (;;) {
            bool malformed = false;
            const auto answer = helperframes::completeAnswer(
                std::string_view(received.constData(), std::size_t(received.size())), malformed);
            if (answer) {
                CommandRange range = rangeFromAnswer(*answer);
                // Whatever a damaged workbook did to the helper stays with it.
                if (std::holds_alternative<QString>(range)) {
                    stop();
                }
                return range;
            }
            if (malformed) {
                stop();
                return QStringLiteral(
                    "the workbook reader gave an answer that cannot be understood");
            }
            const qint64 left = limit.count() - waited.elapsed();
            if (left <= 0 || !process_->waitForReadyRead(int(left))) {
                const bool ended = process_->state() == QProcess::NotRunning;
                stop();
                return ended ? QStringLiteral("the workbook reader stopped on it, so the file is "
                                              "probably damaged")
                             : QStringLiteral("reading it took longer than %1 seconds")
                                   .arg(limit.count() / 1000.0);
            }
            received += process_->readAllStandardOutput();
        }
    }

private:
    using QObject::QObject;

    void start()
    {
        process_ = new QProcess(this);
        process_->setStandardErrorFile(QProcess::nullDevice());
        process_->start(helperProgram(), {});
    }

    void stop()
    {
        if (!process_) {
            return;
        }
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished();
        }
        delete process_;
        process_ = nullptr;
    }

    QProcess* process_ = nullptr;
};

} // namespace

CommandRange readCommandRange(const QString& path, std::chrono::milliseconds limit)
{
    return WorkbookHelper::instance().read(path, limit);
}

CommandRange rangeFromAnswer(std::string_view answer)
{
    std::optional<cells::Range> range = cells::decode(answer);
    if (!range) {
        return QStringLiteral("the workbook reader gave an answer that cannot be understood");
    }
    if (range->error) {
        return QString::fromStdString(*range->error);
    }
    return std::move(range->rows);
}
