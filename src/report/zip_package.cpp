// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/zip_package.h"

#include "common/errors.h"

#include <zip.h>

#include <memory>

namespace tolvin {
namespace {

// libzip's own texts are English. The archive is built and read in memory, so what can go
// wrong is memory, a damaged archive or a fault of ours.
QString reason(zip_error_t *e) {
    switch (zip_error_code_zip(e)) {
    case ZIP_ER_MEMORY: return QStringLiteral("недостаточно памяти");
    case ZIP_ER_NOZIP: return QStringLiteral("это не архив ZIP");
    case ZIP_ER_CRC:
    case ZIP_ER_EOF:
    case ZIP_ER_INCONS:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA: return QStringLiteral("архив поврежден");
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP: return QStringLiteral("архив сжат или зашифрован неизвестным способом");
    default: return QStringLiteral("внутренняя ошибка библиотеки libzip, код %1").arg(zip_error_code_zip(e));
    }
}

[[noreturn]] void fail(const QString &what, zip_error_t *e) {
    throw AppError(QStringLiteral("%1: %2").arg(what, reason(e)));
}

struct ErrorGuard {
    zip_error_t error;
    ErrorGuard() { zip_error_init(&error); }
    ~ErrorGuard() { zip_error_fini(&error); }
};

// Owns a source; an archive opened on it takes a reference of its own.
struct SourceDeleter {
    void operator()(zip_source_t *s) const { zip_source_free(s); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceDeleter>;

// An archive that is discarded unless it was closed.
struct Archive {
    zip_t *za = nullptr;
    ~Archive() {
        if (za)
            zip_discard(za);
    }
};

QByteArray readWhole(zip_source_t *src) {
    if (zip_source_open(src) < 0)
        fail(QStringLiteral("Не удалось прочитать собранный архив"), zip_source_error(src));
    QByteArray out;
    zip_source_seek(src, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(src);
    zip_source_seek(src, 0, SEEK_SET);
    if (size > 0) {
        out.resize(static_cast<qsizetype>(size));
        if (zip_source_read(src, out.data(), static_cast<zip_uint64_t>(size)) != size) {
            zip_source_close(src);
            fail(QStringLiteral("Не удалось прочитать собранный архив"), zip_source_error(src));
        }
    }
    zip_source_close(src);
    return out;
}

} // namespace

QByteArray zipPackage(const std::vector<std::pair<QString, QByteArray>> &parts) {
    const QString what = QStringLiteral("Не удалось собрать архив документа");
    ErrorGuard g;
    SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &g.error));
    if (!buffer)
        fail(what, &g.error);
    Archive a;
    a.za = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &g.error);
    if (!a.za)
        fail(what, &g.error);
    // The archive now holds the buffer too; ours must outlive zip_close to read the result.
    zip_source_keep(buffer.get());

    for (const auto &[name, bytes] : parts) {
        // The data stay in `parts` until zip_close has read them.
        zip_source_t *src = zip_source_buffer(a.za, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0);
        if (!src)
            fail(what, zip_get_error(a.za));
        const zip_int64_t index = zip_file_add(a.za, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            fail(what, zip_get_error(a.za));
        }
        if (zip_set_file_compression(a.za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) < 0)
            fail(what, zip_get_error(a.za));
    }
    if (zip_close(a.za) < 0)
        fail(what, zip_get_error(a.za));
    a.za = nullptr;
    return readWhole(buffer.get());
}

std::vector<std::pair<QString, QByteArray>> unzipPackage(const QByteArray &bytes) {
    const QString what = QStringLiteral("Не удалось прочитать архив документа");
    ErrorGuard g;
    SourcePtr buffer(zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &g.error));
    if (!buffer)
        fail(what, &g.error);
    Archive a;
    a.za = zip_open_from_source(buffer.get(), ZIP_RDONLY | ZIP_CHECKCONS, &g.error);
    if (!a.za)
        fail(what, &g.error);
    zip_source_keep(buffer.get());

    std::vector<std::pair<QString, QByteArray>> parts;
    const zip_int64_t count = zip_get_num_entries(a.za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(a.za, static_cast<zip_uint64_t>(i), 0, &st) < 0)
            fail(what, zip_get_error(a.za));
        zip_file_t *f = zip_fopen_index(a.za, static_cast<zip_uint64_t>(i), 0);
        if (!f)
            fail(what, zip_get_error(a.za));
        QByteArray data(static_cast<qsizetype>(st.size), Qt::Uninitialized);
        const zip_int64_t n = zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        if (n != static_cast<zip_int64_t>(st.size))
            throw AppError(QStringLiteral("%1: часть %2 прочитана не полностью").arg(what, QString::fromUtf8(st.name)));
        parts.emplace_back(QString::fromUtf8(st.name), data);
    }
    return parts;
}

} // namespace tolvin
