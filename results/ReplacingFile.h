#pragma once

#include <string>

namespace kestrom {

/// A file written under a temporary name beside its target and put in
/// place only when complete, so that a failed or cancelled write never
/// leaves a half-written file and never touches a file already there.
///
///     ReplacingFile file(path);       // creates "<path>.tmp-XXXXXX"
///     write(file.Descriptor(), ...);
///     file.Commit();                  // synced and renamed over path
///
/// Without Commit the destructor removes the temporary file. Failures raise
/// ExportError with a Russian message naming the target and the cause.
class ReplacingFile {
  public:
    /// Creates the temporary file in the target's folder, with the rights
    /// of the target when it exists, else those of a new file.
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    int Descriptor() const { return fd_; }
    const std::string& Target() const { return target_; }
    /// The temporary file's name, for a writer that opens the file itself.
    const std::string& TemporaryPath() const { return temporary_; }
    /// The folder of the target.
    std::string Folder() const;

    /// Syncs the temporary file to the disk and renames it over the target.
    void Commit();

  private:
    void Create();
    void KeepTargetRights() const;
    void Discard();
    [[noreturn]] void Fail(const char* what, int errnoValue) const;

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace kestrom
