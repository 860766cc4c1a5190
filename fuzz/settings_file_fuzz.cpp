// Any bytes as a settings file: loading, the check, the write stream and saving again must end
// in a result or a message, never in a crash or a read out of bounds.
#include "check/data_check.h"
#include "common/errors.h"
#include "settings_file/settings_file.h"
#include "station_link/image_streams.h"

#include <QFile>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString path = QStringLiteral("/dev/shm/tolvin-fuzz-%1.ini").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    tolvin::Editor ed;
    try {
        tolvin::loadSettingsFile(ed, path);
    } catch (const tolvin::AppError &) {
        return 0;
    }
    tolvin::BatchOperator op;
    bool passed = false;
    tolvin::runAction(op, [&] { passed = tolvin::runDataCheck(ed, op); });
    if (passed) {
        const tolvin::StreamImage parts{ed.state.image, ed.state.ModuleType, ed.state.StationType};
        const QByteArray stream = tolvin::encodeWriteStream(parts);
        if (stream.size() != 25 + 18 * ed.state.image.header[5])
            __builtin_trap();
    }
    tolvin::runAction(op, [&] { (void)tolvin::settingsFileBytes(ed); });
    return 0;
}
