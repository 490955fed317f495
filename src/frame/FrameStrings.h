#pragma once
// The frame's texts, one table addressed by index. Placeholders are %1, %2
// (QString::arg with several arguments, so a path containing "%2" stays as is).
#include <QString>

enum class FrameString : int {
    NoDocument,
    NewDocument,
    NoModule,
    FileNotFound,
    FileUnreadable,
    DownloadModules,
    NoEntryForFile,
    CannotLaunch,
    ProjectTitle,
    OpenNewProject,
    ProjectListItemFailed,
    NewWorkspaceCaption,
    NewWorkspacePrompt,
    WorkspaceBaseName,
    DuplicateWorkspace,
    DeleteWorkspace,
    ProjectFilter,
    ProjectOpenFailed,
    NoProjectOpen,
    ProjectDocumentsTitle,
    BackgroundMissing,
    BackupFailed,
    HistoryGroup,
    DocumentsGroup,
    ClearDocuments,
    ProcedureCaption,
    ProcedurePrompt,
    ScriptFilter,
    MailSubject,
    SaveScriptBeforeRun,
    NoWebBrowser,
    Count
};

QString FrameText(FrameString id);
