#pragma once

#include <sqlite3.h>

#include <csignal>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace kestrom::test {

/// A disk that fills up, for SQLite: a VFS around the default one whose
/// files may grow by a set number of bytes in all. A write beyond that room
/// stores what still fits and fails with SQLITE_FULL, as a full disk does;
/// writes inside a file's present size always succeed. It can also kill its
/// process just before a chosen write, and counts the writes. While the
/// object lives it is the default VFS, so the connections opened then use it.
class FaultyDisk {
  public:
    FaultyDisk() {
        if (current_ != nullptr) throw std::logic_error("one FaultyDisk at a time");
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "kestrom-faulty-disk";
        vfs_.pNext = nullptr;
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.xOpen = &Open;
        current_ = this;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FaultyDisk() {
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_, 1);
        current_ = nullptr;
    }
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    /// Bytes the files may still grow by; a negative value for no limit.
    void SetRoom(std::int64_t bytes) { room_ = bytes; }
    std::int64_t Room() const { return room_; }
    /// Writes refused since the disk was made.
    int Refusals() const { return refusals_; }
    /// Writes asked of the disk since it was made.
    std::int64_t Writes() const { return writes_; }
    /// The process dies by SIGKILL just before the write of that number
    /// (counted from 1 since the disk was made); 0 for never.
    void KillAtWrite(std::int64_t n) { killAt_ = n; }

  private:
    // The wrapped file; the default VFS's own file object follows it.
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
    };

    static sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                    int* outFlags) {
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        const int rc = current_->real_->xOpen(current_->real_, name, f->real, flags, outFlags);
        f->base.pMethods = f->real->pMethods != nullptr ? &Methods : nullptr;
        return rc;
    }

    static int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
        sqlite3_file* real = Real(file);
        FaultyDisk& disk = *current_;
        if (++disk.writes_ == disk.killAt_) std::raise(SIGKILL);
        if (disk.room_ >= 0) {
            sqlite3_int64 size = 0;
            if (const int rc = real->pMethods->xFileSize(real, &size); rc != SQLITE_OK) return rc;
            const sqlite3_int64 growth = std::max<sqlite3_int64>(0, offset + amount - size);
            if (growth > disk.room_) {
                // What fits is written, as a disk that runs full mid-write does.
                const sqlite3_int64 fits = std::max<sqlite3_int64>(0, size + disk.room_ - offset);
                if (fits > 0) real->pMethods->xWrite(real, data, static_cast<int>(fits), offset);
                disk.room_ = 0;
                ++disk.refusals_;
                return SQLITE_FULL;
            }
            disk.room_ -= growth;
        }
        return real->pMethods->xWrite(real, data, amount, offset);
    }

    static int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
    static int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
        return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
    }
    static int Truncate(sqlite3_file* f, sqlite3_int64 size) {
        return Real(f)->pMethods->xTruncate(Real(f), size);
    }
    static int Sync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
    static int FileSize(sqlite3_file* f, sqlite3_int64* size) {
        return Real(f)->pMethods->xFileSize(Real(f), size);
    }
    static int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
    static int Unlock(sqlite3_file* f, int level) {
        return Real(f)->pMethods->xUnlock(Real(f), level);
    }
    static int CheckReservedLock(sqlite3_file* f, int* out) {
        return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
    }
    static int FileControl(sqlite3_file* f, int op, void* arg) {
        return Real(f)->pMethods->xFileControl(Real(f), op, arg);
    }
    static int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
    static int DeviceCharacteristics(sqlite3_file* f) {
        return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
    }
    static int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** p) {
        return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, p);
    }
    static int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
        return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
    }
    static void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
    static int ShmUnmap(sqlite3_file* f, int deleteFlag) {
        return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
    }
    static int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** p) {
        return Real(f)->pMethods->xFetch(Real(f), offset, amount, p);
    }
    static int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
        return Real(f)->pMethods->xUnfetch(Real(f), offset, p);
    }

    static constexpr sqlite3_io_methods Methods = {3,
                                                   &Close,
                                                   &Read,
                                                   &Write,
                                                   &Truncate,
                                                   &Sync,
                                                   &FileSize,
                                                   &Lock,
                                                   &Unlock,
                                                   &CheckReservedLock,
                                                   &FileControl,
                                                   &SectorSize,
                                                   &DeviceCharacteristics,
                                                   &ShmMap,
                                                   &ShmLock,
                                                   &ShmBarrier,
                                                   &ShmUnmap,
                                                   &Fetch,
                                                   &Unfetch};

    static inline FaultyDisk* current_ = nullptr;
    sqlite3_vfs* real_ = nullptr;
    sqlite3_vfs vfs_{};
    std::int64_t room_ = -1;
    int refusals_ = 0;
    std::int64_t writes_ = 0;
    std::int64_t killAt_ = 0;
};

} // namespace kestrom::test
