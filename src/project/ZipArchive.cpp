#include "project/ZipArchive.h"

#include "project/ProjectFile.h"

#include <QFile>
#include <QFileInfo>
#include <zip.h>

namespace {

[[noreturn]] void Fail(const QString& message) { throw TProjectError(message.toStdString()); }

QString ZipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

} // namespace

TZipReader::TZipReader(const QString& path)
{
    int code = 0;
    FArchive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!FArchive) {
        // Why, as the user sees the path: nothing there, a folder, a file that may not be read.
        const QFileInfo file(path);
        if (code == ZIP_ER_NOENT || !file.exists())
            Fail(QStringLiteral("it does not exist"));
        if (file.isDir())
            Fail(QStringLiteral("it is a folder"));
        QFile reader(path);
        if (!reader.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("it cannot be read (%1)").arg(reader.errorString()));
        Fail(QStringLiteral("it is no zip archive (%1)").arg(ZipErrorText(code)));
    }
}

TZipReader::~TZipReader()
{
    if (FArchive)
        zip_discard(FArchive);
}

bool TZipReader::Contains(const QString& name) const
{
    return zip_name_locate(FArchive, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8) >= 0;
}

QByteArray TZipReader::Read(const QString& name, qint64 maxBytes) const
{
    const zip_int64_t index = zip_name_locate(FArchive, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
    if (index < 0)
        Fail(QStringLiteral("\"%1\" is missing").arg(name));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(FArchive, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        Fail(QStringLiteral("\"%1\" cannot be read").arg(name));
    // The declared size is checked before anything is allocated for it.
    if (st.size > zip_uint64_t(maxBytes))
        Fail(QStringLiteral("\"%1\" declares %2 bytes, more than a project holds").arg(name).arg(st.size));
    zip_file_t* file = zip_fopen_index(FArchive, zip_uint64_t(index), 0);
    if (!file)
        Fail(QStringLiteral("\"%1\" cannot be read (%2)").arg(name, QString::fromUtf8(zip_strerror(FArchive))));
    QByteArray data(qsizetype(st.size), Qt::Uninitialized);
    zip_int64_t got = 0;
    while (got < zip_int64_t(st.size)) {
        const zip_int64_t n = zip_fread(file, data.data() + got, st.size - zip_uint64_t(got));
        if (n <= 0)
            break;
        got += n;
    }
    // One more read finds data beyond the declared size and lets libzip check the CRC.
    char extra = 0;
    const zip_int64_t tail = got == zip_int64_t(st.size) ? zip_fread(file, &extra, 1) : -1;
    const QString problem = QString::fromUtf8(zip_error_strerror(zip_file_get_error(file)));
    zip_fclose(file);
    if (got != zip_int64_t(st.size) || tail != 0)
        Fail(QStringLiteral("\"%1\" is damaged (%2)").arg(name, problem));
    return data;
}

struct TZipWriter::TImpl {
    zip_source_t* Source = nullptr;
    zip_t* Archive = nullptr;
    std::list<QByteArray> Buffers; // libzip reads them only when the archive is closed
};

TZipWriter::TZipWriter() : FImpl(std::make_unique<TImpl>())
{
    zip_error_t error;
    zip_error_init(&error);
    FImpl->Source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (FImpl->Source) {
        zip_source_keep(FImpl->Source);
        FImpl->Archive = zip_open_from_source(FImpl->Source, ZIP_TRUNCATE, &error);
    }
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    if (!FImpl->Archive)
        Fail(QStringLiteral("The project archive cannot be made (%1).").arg(text));
}

TZipWriter::~TZipWriter()
{
    if (FImpl->Archive)
        zip_discard(FImpl->Archive);
    if (FImpl->Source)
        zip_source_free(FImpl->Source);
}

void TZipWriter::Add(const QString& name, QByteArray data, bool compress)
{
    const QByteArray& kept = FImpl->Buffers.emplace_back(std::move(data));
    zip_source_t* source = zip_source_buffer(FImpl->Archive, kept.constData(), zip_uint64_t(kept.size()), 0);
    const zip_int64_t index = source ? zip_file_add(FImpl->Archive, name.toUtf8().constData(), source,
                                                    ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE)
                                     : -1;
    if (index < 0) {
        if (source)
            zip_source_free(source);
        Fail(QStringLiteral("\"%1\" cannot be added to the project (%2).").arg(name, QString::fromUtf8(zip_strerror(FImpl->Archive))));
    }
    zip_set_file_compression(FImpl->Archive, zip_uint64_t(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, compress ? 6 : 0);
}

QByteArray TZipWriter::Finish()
{
    if (zip_close(FImpl->Archive) != 0)
        Fail(QStringLiteral("The project archive cannot be made (%1).").arg(QString::fromUtf8(zip_strerror(FImpl->Archive))));
    FImpl->Archive = nullptr;
    FImpl->Buffers.clear();
    zip_stat_t st;
    zip_stat_init(&st);
    QByteArray out;
    if (zip_source_open(FImpl->Source) == 0) {
        if (zip_source_stat(FImpl->Source, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
            out.resize(qsizetype(st.size));
            if (zip_source_read(FImpl->Source, out.data(), st.size) != zip_int64_t(st.size))
                out.clear();
        }
        zip_source_close(FImpl->Source);
    }
    if (out.isEmpty())
        Fail(QStringLiteral("The project archive cannot be made."));
    return out;
}
