// Dialog answers given by a test in place of the user; every question is recorded.
#pragma once

#include "app/dialogs.h"

#include <QList>
#include <QStringList>

namespace pravelot::test {

class FakeDialogs : public Dialogs {
public:
    // The answers; nullopt answers as Cancel.
    std::optional<QString> folder;
    bool yes = true;
    std::optional<ChosenFiles> files;

    // What was asked.
    QStringList folderCaptions;
    QStringList folderStarts;
    QStringList confirmations;
    QStringList messages;
    QList<OpenFiles> openRequests;

    std::optional<QString> askFolder(QWidget *, const QString &caption,
                                     const QString &start) override
    {
        folderCaptions << caption;
        folderStarts << start;
        return folder;
    }
    bool confirm(QWidget *, const QString &text) override
    {
        confirmations << text;
        return yes;
    }
    void message(QWidget *, const QString &text) override { messages << text; }
    std::optional<ChosenFiles> openFiles(QWidget *, const OpenFiles &request) override
    {
        openRequests << request;
        return files;
    }
};

} // namespace pravelot::test
