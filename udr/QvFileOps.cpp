// File work on the database server's own disks for clients in client/server mode, as external routines
// of the UDR engine:
//
//   procedure FILEOPERATION (MODE, FILEPATH1, FILEPATH2) -> WBOOL    FEXIST, FCOPY, FDEL
//   procedure DIRECTORYTEST (MODE, FILEPATH1) -> WBOOL               DEXIST, MKDIR, RMDIR
//   procedure LONGTOSHORTFILENAME (LONGNAME) -> SHORTNAME               the path itself (no 8.3 names)
//   function  SP_FILETOBLOB (path) -> BLOB                            a file's bytes
//   function  SP_BLOBTOFILE (path, blob) -> BIGINT                    writes the bytes, gives their count
//
// Paths are paths of the server and must be absolute. WBOOL is 1 when the operation was done (or the
// test holds), else 0; the procedures never raise for a file that is missing or cannot be written.
// Files are written to a temporary file in the target's folder and renamed into place, so a failed
// copy or transfer never leaves a half file under the target's name and an old file survives it.
// The routines run with the server process's rights.

#include <firebird/Interface.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Firebird;

namespace {

namespace fs = std::filesystem;
using Status = ThrowStatusWrapper;

constexpr unsigned kCharSetAscii = 2;
constexpr unsigned kCharSetUtf8 = 4;
// Paths travel as VARCHAR(254) of the schema; in UTF-8 a character takes up to 4 bytes.
constexpr unsigned kPathBytes = 254 * 4;
constexpr unsigned kModeBytes = 10;

[[noreturn]] void fail(Status* status, const std::string& text) {
    const ISC_STATUS vector[] = {isc_arg_gds, isc_random, isc_arg_string,
                                 reinterpret_cast<ISC_STATUS>(text.c_str()), isc_arg_end};
    throw FbException(status, vector);
}

// Where the fields of a message lie; read from the metadata the engine settled on after setup.
class Layout {
public:
    Layout(Status* status, IMessageMetadata* meta) {
        const unsigned count = meta->getCount(status);
        for (unsigned i = 0; i < count; ++i)
            m_fields.push_back(
                {meta->getOffset(status, i), meta->getNullOffset(status, i), meta->getLength(status, i)});
        meta->release();
    }

    std::optional<std::string> text(const void* message, unsigned index) const {
        const Field& f = m_fields.at(index);
        const auto* base = static_cast<const unsigned char*>(message);
        if (*reinterpret_cast<const ISC_SHORT*>(base + f.nullOffset))
            return std::nullopt;
        ISC_USHORT length;
        std::memcpy(&length, base + f.offset, sizeof length);
        return std::string(reinterpret_cast<const char*>(base + f.offset + sizeof length), length);
    }
    const ISC_QUAD* blob(const void* message, unsigned index) const {
        const Field& f = m_fields.at(index);
        const auto* base = static_cast<const unsigned char*>(message);
        if (*reinterpret_cast<const ISC_SHORT*>(base + f.nullOffset))
            return nullptr;
        return reinterpret_cast<const ISC_QUAD*>(base + f.offset);
    }

    void setInt(void* message, unsigned index, ISC_LONG value) const {
        set(message, index, &value, sizeof value);
    }
    void setBigInt(void* message, unsigned index, ISC_INT64 value) const {
        set(message, index, &value, sizeof value);
    }
    void setQuad(void* message, unsigned index, const ISC_QUAD& value) const {
        set(message, index, &value, sizeof value);
    }
    void setText(void* message, unsigned index, const std::string& value) const {
        const Field& f = m_fields.at(index);
        auto* base = static_cast<unsigned char*>(message);
        const auto length = ISC_USHORT(std::min<size_t>(value.size(), f.length));
        std::memcpy(base + f.offset, &length, sizeof length);
        std::memcpy(base + f.offset + sizeof length, value.data(), length);
        *reinterpret_cast<ISC_SHORT*>(base + f.nullOffset) = 0;
    }
    void setNull(void* message, unsigned index) const {
        *reinterpret_cast<ISC_SHORT*>(static_cast<unsigned char*>(message) + m_fields.at(index).nullOffset) =
            -1;
    }

private:
    struct Field {
        unsigned offset, nullOffset, length;
    };
    void set(void* message, unsigned index, const void* value, size_t size) const {
        const Field& f = m_fields.at(index);
        auto* base = static_cast<unsigned char*>(message);
        std::memcpy(base + f.offset, value, size);
        *reinterpret_cast<ISC_SHORT*>(base + f.nullOffset) = 0;
    }
    std::vector<Field> m_fields;
};

void setVarchar(Status* status, IMetadataBuilder* builder, unsigned index, unsigned bytes, unsigned charSet) {
    builder->setType(status, index, SQL_VARYING);
    builder->setLength(status, index, bytes);
    builder->setCharSet(status, index, charSet);
}

// ---- file system work ----

bool usablePath(const std::optional<std::string>& path) {
    return path && !path->empty() && (*path)[0] == '/' && path->find('\0') == std::string::npos;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// A new file beside the target that becomes the target only when commit() succeeds.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target) : m_target(target) {
        struct stat st;
        // Only a regular file is ever replaced: a folder, FIFO or device under the name is refused.
        if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return;
        std::string pattern = (fs::path(target).parent_path() / ".qvfileops-XXXXXX").string();
        m_fd = ::mkstemp(pattern.data());
        if (m_fd >= 0)
            m_temp = pattern;
    }
    ~ReplacingFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_temp.empty())
            ::unlink(m_temp.c_str());
    }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool open() const { return m_fd >= 0; }
    bool write(const char* data, size_t size) { return m_fd >= 0 && writeAll(m_fd, data, size); }
    bool commit() {
        if (m_fd < 0)
            return false;
        const bool synced = ::fsync(m_fd) == 0;
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        if (!synced || !closed || ::chmod(m_temp.c_str(), 0644) != 0 ||
            ::rename(m_temp.c_str(), m_target.c_str()) != 0)
            return false;
        m_temp.clear();
        return true;
    }

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
};

bool copyFile(const std::string& from, const std::string& to) {
    if (!isRegularFile(from) || fs::path(from).lexically_normal() == fs::path(to).lexically_normal())
        return false;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    ReplacingFile out(to);
    bool ok = out.open();
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = out.write(buffer.data(), size_t(n));
    }
    ::close(in);
    return ok && out.commit();
}

bool deleteFile(const std::string& path) {
    return isRegularFile(path) && ::unlink(path.c_str()) == 0;
}

bool makeFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return isFolder(path);
}

bool removeFolder(const std::string& path) {
    const fs::path normal = fs::path(path).lexically_normal();
    if (normal == normal.root_path() || !isFolder(path))
        return false;
    std::error_code ec;
    fs::remove_all(normal, ec);
    return !ec && !fs::exists(normal, ec);
}

bool fileOperation(const std::string& mode, const std::optional<std::string>& path1,
                   const std::optional<std::string>& path2) {
    if (!usablePath(path1))
        return false;
    if (mode == "FEXIST")
        return isRegularFile(*path1);
    if (mode == "FCOPY")
        return usablePath(path2) && copyFile(*path1, *path2);
    if (mode == "FDEL")
        return deleteFile(*path1);
    return false;
}

bool directoryTest(const std::string& mode, const std::optional<std::string>& path) {
    if (!usablePath(path))
        return false;
    if (mode == "DEXIST")
        return isFolder(*path);
    if (mode == "MKDIR")
        return makeFolder(*path);
    if (mode == "RMDIR")
        return removeFolder(*path);
    return false;
}

std::string upper(std::optional<std::string> text) {
    std::string out = text.value_or(std::string());
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

// ---- the routines ----

template <typename T> class Released {
public:
    explicit Released(T* p) : m_p(p) {}
    ~Released() {
        if (m_p)
            m_p->release();
    }
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }

private:
    T* m_p;
};

// A selectable procedure that yields one row computed when it is opened.
class OneRowResult : public IExternalResultSetImpl<OneRowResult, Status> {
public:
    explicit OneRowResult(bool hasRow) : m_pending(hasRow) {}
    void dispose() override { delete this; }
    FB_BOOLEAN fetch(Status*) override {
        const bool row = m_pending;
        m_pending = false;
        return row;
    }

private:
    bool m_pending;
};

enum class Routine { FileOperation, DirectoryTest, LongToShort, FileToBlob, BlobToFile };

void setupMessages(Status* status, Routine routine, IMetadataBuilder* in, IMetadataBuilder* out);

// The formats of a routine's messages as setupMessages makes them; the routine metadata the engine
// hands over describes the declared parameters, not the converted messages it passes.
std::pair<IMessageMetadata*, IMessageMetadata*> messageFormats(Status* status, IMaster* master,
                                                               Routine routine) {
    unsigned inCount = 1;
    if (routine == Routine::FileOperation)
        inCount = 3;
    else if (routine == Routine::DirectoryTest || routine == Routine::BlobToFile)
        inCount = 2;
    Released<IMetadataBuilder> in(master->getMetadataBuilder(status, inCount));
    Released<IMetadataBuilder> out(master->getMetadataBuilder(status, 1));
    setupMessages(status, routine, in.get(), out.get());
    return {in->getMetadata(status), out->getMetadata(status)};
}

// A routine with the layouts of its messages.
template <typename Interface> class RoutineBase : public Interface {
public:
    RoutineBase(Status* status, IMaster* master, Routine routine)
        : RoutineBase(status, routine, messageFormats(status, master, routine)) {}
    void dispose() override { delete this; }
    void getCharSet(Status*, IExternalContext*, char*, unsigned) override {}

protected:
    RoutineBase(Status* status, Routine routine, std::pair<IMessageMetadata*, IMessageMetadata*> formats)
        : m_routine(routine), m_in(status, formats.first), m_out(status, formats.second) {}
    Routine m_routine;
    Layout m_in, m_out;
};

class Procedure : public RoutineBase<IExternalProcedureImpl<Procedure, Status>> {
public:
    using RoutineBase::RoutineBase;

    IExternalResultSet* open(Status* status, IExternalContext*, void* in, void* out) override {
        switch (m_routine) {
        case Routine::FileOperation:
            m_out.setInt(out, 0, fileOperation(upper(m_in.text(in, 0)), m_in.text(in, 1), m_in.text(in, 2)));
            break;
        case Routine::DirectoryTest:
            m_out.setInt(out, 0, directoryTest(upper(m_in.text(in, 0)), m_in.text(in, 1)));
            break;
        default: {
            // Linux has no short names: a path is its own short form (callers compare paths with it,
            // also paths that do not exist); a path the server cannot use has none.
            const std::optional<std::string> path = m_in.text(in, 0);
            m_out.setText(out, 0, usablePath(path) ? *path : std::string());
            break;
        }
        }
        return new OneRowResult(true);
    }
};

// An open blob that is cancelled unless it was closed.
class BlobHandle {
public:
    BlobHandle(IMaster* master, IBlob* blob) : m_master(master), m_blob(blob) {}
    ~BlobHandle() {
        if (m_blob) {
            IStatus* status = m_master->getStatus();
            CheckStatusWrapper st(status);
            m_blob->cancel(&st);
            status->dispose();
        }
    }
    BlobHandle(const BlobHandle&) = delete;
    BlobHandle& operator=(const BlobHandle&) = delete;
    IBlob* operator->() const { return m_blob; }
    void close(Status* status) {
        m_blob->close(status);
        m_blob = nullptr;
    }

private:
    IMaster* m_master;
    IBlob* m_blob;
};

void fileToBlob(Status* status, IExternalContext* context, const std::optional<std::string>& path,
                ISC_QUAD& id) {
    if (!usablePath(path) || !isRegularFile(*path))
        fail(status, "SP_FILETOBLOB: file not found: " + path.value_or(std::string()));
    const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(status, "SP_FILETOBLOB: cannot open " + *path + ": " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    Released<IAttachment> attachment(context->getAttachment(status));
    Released<ITransaction> transaction(context->getTransaction(status));
    BlobHandle blob(context->getMaster(), attachment->createBlob(status, transaction.get(), &id, 0, nullptr));
    std::vector<char> buffer(32 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(status, "SP_FILETOBLOB: cannot read " + *path + ": " + std::strerror(errno));
        if (n == 0)
            break;
        blob->putSegment(status, unsigned(n), buffer.data());
    }
    blob.close(status);
}

ISC_INT64 blobToFile(Status* status, IExternalContext* context, const std::optional<std::string>& path,
                     const ISC_QUAD* id) {
    if (!usablePath(path))
        fail(status, "SP_BLOBTOFILE: not an absolute path: " + path.value_or(std::string()));
    ReplacingFile out(*path);
    if (!out.open())
        fail(status, "SP_BLOBTOFILE: cannot write " + *path + ": " + std::strerror(errno));
    ISC_INT64 total = 0;
    if (id) {
        Released<IAttachment> attachment(context->getAttachment(status));
        Released<ITransaction> transaction(context->getTransaction(status));
        ISC_QUAD blobId = *id;
        BlobHandle blob(context->getMaster(),
                        attachment->openBlob(status, transaction.get(), &blobId, 0, nullptr));
        std::vector<char> buffer(32 * 1024);
        for (;;) {
            unsigned length = 0;
            const int result = blob->getSegment(status, unsigned(buffer.size()), buffer.data(), &length);
            if (result == IStatus::RESULT_NO_DATA)
                break;
            if (!out.write(buffer.data(), length))
                fail(status, "SP_BLOBTOFILE: cannot write " + *path + ": " + std::strerror(errno));
            total += length;
        }
        blob.close(status);
    }
    if (!out.commit())
        fail(status, "SP_BLOBTOFILE: cannot write " + *path + ": " + std::strerror(errno));
    return total;
}

class Function : public RoutineBase<IExternalFunctionImpl<Function, Status>> {
public:
    using RoutineBase::RoutineBase;

    void execute(Status* status, IExternalContext* context, void* in, void* out) override {
        if (m_routine == Routine::FileToBlob) {
            ISC_QUAD id{};
            fileToBlob(status, context, m_in.text(in, 0), id);
            m_out.setQuad(out, 0, id);
        } else {
            m_out.setBigInt(out, 0, blobToFile(status, context, m_in.text(in, 0), m_in.blob(in, 1)));
        }
    }
};

// The message formats the routines work with; the engine converts the declared parameters (text of
// the database's character set) into them.
void setNumber(Status* status, IMetadataBuilder* builder, unsigned index, unsigned type, unsigned size) {
    builder->setType(status, index, type);
    builder->setLength(status, index, size);
    builder->setScale(status, index, 0);
}

void setBlob(Status* status, IMetadataBuilder* builder, unsigned index) {
    builder->setType(status, index, SQL_BLOB);
    builder->setLength(status, index, sizeof(ISC_QUAD));
    builder->setSubType(status, index, 0);
}

void setupMessages(Status* status, Routine routine, IMetadataBuilder* in, IMetadataBuilder* out) {
    switch (routine) {
    case Routine::FileOperation:
        setVarchar(status, in, 2, kPathBytes, kCharSetUtf8);
        [[fallthrough]];
    case Routine::DirectoryTest:
        setVarchar(status, in, 0, kModeBytes, kCharSetAscii);
        setVarchar(status, in, 1, kPathBytes, kCharSetUtf8);
        setNumber(status, out, 0, SQL_LONG, sizeof(ISC_LONG));
        break;
    case Routine::LongToShort:
        setVarchar(status, in, 0, kPathBytes, kCharSetUtf8);
        setVarchar(status, out, 0, kPathBytes, kCharSetUtf8);
        break;
    case Routine::FileToBlob:
        setVarchar(status, in, 0, kPathBytes, kCharSetUtf8);
        setBlob(status, out, 0);
        break;
    case Routine::BlobToFile:
        setVarchar(status, in, 0, kPathBytes, kCharSetUtf8);
        setBlob(status, in, 1);
        setNumber(status, out, 0, SQL_INT64, sizeof(ISC_INT64));
        break;
    }
}

template <template <typename, typename> class Interface, typename Item, typename Result>
class Factory : public Interface<Factory<Interface, Item, Result>, Status> {
public:
    explicit Factory(Routine routine) : m_routine(routine) {}
    void dispose() override {}
    void setup(Status* status, IExternalContext*, IRoutineMetadata*, IMetadataBuilder* in,
               IMetadataBuilder* out) override {
        setupMessages(status, m_routine, in, out);
    }
    Result* newItem(Status* status, IExternalContext* context, IRoutineMetadata*) override {
        return new Item(status, context->getMaster(), m_routine);
    }

private:
    Routine m_routine;
};

using ProcedureFactory = Factory<IUdrProcedureFactoryImpl, Procedure, IExternalProcedure>;
using FunctionFactory = Factory<IUdrFunctionFactoryImpl, Function, IExternalFunction>;

ProcedureFactory fileOperationFactory(Routine::FileOperation);
ProcedureFactory directoryTestFactory(Routine::DirectoryTest);
ProcedureFactory longToShortFactory(Routine::LongToShort);
FunctionFactory fileToBlobFactory(Routine::FileToBlob);
FunctionFactory blobToFileFactory(Routine::BlobToFile);

FB_BOOLEAN moduleUnloaded = FB_FALSE;

} // namespace

extern "C" __attribute__((visibility("default"))) FB_BOOLEAN*
FB_UDR_PLUGIN_ENTRY_POINT(IStatus* status, FB_BOOLEAN* /*theirUnloadFlag*/, IUdrPlugin* plugin) {
    ThrowStatusWrapper st(status);
    try {
        plugin->registerProcedure(&st, "fileoperation", &fileOperationFactory);
        plugin->registerProcedure(&st, "directorytest", &directoryTestFactory);
        plugin->registerProcedure(&st, "longtoshortfilename", &longToShortFactory);
        plugin->registerFunction(&st, "filetoblob", &fileToBlobFactory);
        plugin->registerFunction(&st, "blobtofile", &blobToFileFactory);
    } catch (const FbException& e) {
        // The registration error is in the engine's status already; report it there.
        status->setErrors(e.getStatus()->getErrors());
    }
    return &moduleUnloaded;
}
