// The install record: the values setup overwrites, as first seen, and the
// facts the uninstaller needs (which target files were there, which shared
// counts this installation raised). It is a write-ahead journal kept as
// SETUP.INF in the install directory: entries are staged in SETUP.NEW and
// reach SETUP.INF only through Commit, which puts SETUP.NEW on the disk,
// proves it whole and then lets it take the name. Nothing may change on the
// strength of an entry before Commit has returned 1; SETUP.INF itself is
// never written in place.
#pragma once

#include <stdint.h>

#include "platform/text.h"

const uint32_t kRecordValue = 256;  // a value read back: up to 255 chars

class InstallRecord {
  public:
    // The record of dir. 0 when its names do not fit: the record is then
    // unusable (reads give their default, writes and Commit fail).
    int Open(const char* dir);
    const char* Dir() const { return dir_; }
    const char* Path() const { return record_; }  // dir\SETUP.INF
    int Exists() const;

    // 1 when one of the record's names holds another program's file (or
    // setup's own script): SETUP.INF that is no install record, or a file
    // with a section the record never has. Nothing of it may be staged,
    // appended to, replaced or deleted.
    int Foreign() const;

    // Finishes or drops what a cut left of an earlier Commit: the newest
    // copy that ends with the mark stands as SETUP.INF (SETUP.NEW, then
    // SETUP.INF, then SETUP.OLD), a SETUP.OLD without anything beside it
    // comes back, and once SETUP.INF stands the others go. Does nothing
    // in a folder whose files are foreign. Drops this run's staged
    // entries. Every program calls it before it reads the record.
    void Recover();

    // section/key's value, or def, into out (size bytes, cut to fit);
    // entries staged and not yet committed included. Returns out.
    const char* ReadInstallRecord(const char* section, const char* key, const char* def, char* out,
                                  uint32_t size);
    // Stages value under section/key unless the key already holds a
    // non-empty text (write-once: the first setup's answer stays). 1 when
    // staged or already there, 0 when it could not be staged.
    int RecordOriginalValue(const char* section, const char* key, const char* value);
    // Stages value under section/key whatever it held (null: the key goes).
    int Set(const char* section, const char* key, const char* value);

    // Puts what was staged on the disk: SETUP.NEW gets the mark as its last
    // line, is written out and flushed (FlushFileBuffers), read back from
    // the disk to find the mark, and only then does SETUP.INF step aside as
    // SETUP.OLD and SETUP.NEW take its name. 1 on success, also when nothing
    // was staged; 0 when the record could not be written, which drops what
    // was staged and leaves SETUP.INF as it was.
    int Commit();

    // Writes the record again as it stands (made when missing), only to
    // learn that it can be written: 1 when it can.
    int Touch();

  private:
    int Stage();
    int FindForeign() const;

    char dir_[256];  // up to 255 chars
    char record_[text::kComposedPath];
    char fresh_[text::kComposedPath];  // SETUP.NEW
    char aside_[text::kComposedPath];  // SETUP.OLD
    int usable_;                       // the names fitted
    int staged_;                       // SETUP.NEW holds entries not yet committed
    int failed_;                       // a staged write failed since the last Commit
    int foreign_;                      // the folder holds another program's file at a record name
};

// 1 when the file at path ends with the record's mark: it was written whole.
int RecordIsWhole(const char* path);

// 1 when the file at path is an install record of this product: each of
// its sections is one the record has, and it ends with the record's mark
// or (an older setup's record) holds one of the keys only the record
// writes. Another program's SETUP.INF, or the setup script itself, is not.
int IsInstallRecord(const char* path);
