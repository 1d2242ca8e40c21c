#pragma once

#include <QString>

#include <optional>

// What went wrong with a file: the step, the file and the system's reason. The windows turn it
// into a message; the store itself never shows one.
struct StoreError {
    enum class Action {
        Open,
        Create,
        Read,
        Write,
        Flush,
        Truncate,
        Rename,
        Remove,
        SyncFolder,
        CreateFolder,
        FindContacts, // an exchange file read to its end held no contact
    };
    // What the failure left behind.
    enum class State {
        Unchanged,        // the file is as it was
        ChangedNotSynced, // the change is made, but a power cut may still undo it
        MayBeDamaged,     // putting the old bytes back failed as well
    };

    Action action = Action::Open;
    QString path;
    int code = 0;   // errno of the failed call, 0 when the reason is in detail
    QString detail; // a reason the system did not give (in Hungarian)
    QString target; // for a rename: the new name
    State state = State::Unchanged;

    // The system's reason in Hungarian.
    QString reason() const;
    // One or two sentences for a message box: what failed, on which file, and why.
    QString message() const;
};

using MaybeError = std::optional<StoreError>;

StoreError systemError(StoreError::Action action, const QString& path, int code);
