#pragma once

namespace custodia {

// The numbers of the words the console shows, by name. 0..787 are of the "gnrlword" family,
// 788..1007 of "cstdword". The labels of the rights pages are data of the rights catalogue and are
// not repeated here.
enum class Word : int {
    // Buttons and captions shared by many windows
    Ok = 0,
    Cancel = 1,
    Save = 461,
    Browse = 528,
    CheckYourInputCaption = 929,
    ApplicationTitle = 795,
    SuiteTitle = 953,
    RefusedCharacter = 711, // %1: a character the suite's code page lacks

    // File errors: the messages, and the causes they name
    FileErrorMessage = 750, // %1 the file, %2 the cause
    UnusableFileMessage = 751, // %1 the file, %2 the cause
    DamagedCause = 752,
    FirstFileCause = 690, // 690 + the cause number, 0..14
    UnknownFileCause = 705,
    NotRegularFileCause = 706, // %1: what stands there instead
    DanglingLinkCause = 707,
    NoPermissionCause = 708,
    NotPermittedCause = 709,
    ReadOnlyCause = 710,
    LinkLoopCause = 712,

    // Menus, toolbar and command popup of the main window
    FileMenu = 5,
    HelpMenu = 7,
    ExitCommand = 8,
    HelpBarCommand = 9,
    TechnicalSupportCommand = 11,
    AboutCommand = 790,
    CreateCommand = 923,
    EditCommand = 924,
    DeleteCommand = 925,
    LoginPathItem = 926,
    UserItem = 927,
    GroupItem = 928,
    AddCommand = 933,
    RemoveCommand = 939,
    LargeIconsCommand = 940,
    SmallIconsCommand = 941,
    ListCommand = 942,
    DetailsCommand = 943,
    EditMenu = 944,
    ViewMenu = 945,
    CommandPopupTooltip = 947,

    // Log-on, About and support boxes
    NoticeLine = 89,
    UserNameLabel = 92,
    PasswordLabel = 93,
    LoginPathLabel = 94,
    SupportTitle = 109,
    FirstLogonMessage = 535, // the six log-on messages follow in order
    SupportWebLabel = 621,
    SupportMailLabel = 622,
    SupportSalesLabel = 623,
    SupportWebAddress = 624,
    SupportMailAddress = 625,
    SupportSalesAddress = 626,
    Close = 668,
    RefusalCaption = 746,
    RefusalText = 747,

    // Tree and item list
    TreeRoot = 916,
    UsersCategory = 917,
    GroupsCategory = 918,
    DatabasePathsCategory = 988,
    GroupNameColumn = 117,
    GroupNumberColumn = 119,
    UserGroupColumn = 853,
    FullNameColumn = 854,
    DescriptionColumn = 855,
    UserNameColumn = 860,
    LoginPathColumn = 931,
    UnknownGroup = 932,
    DatabasePathColumn = 986,

    // Delete, create and remove commands
    DeleteGroupCaption = 799,
    DeleteGroupPrompt = 800,
    DeleteUserCaption = 856,
    DeleteUserPrompt = 857,
    GroupNumberClash = 934,
    AddLoginPathTitle = 936,
    RemoveLoginPathCaption = 937,
    RemoveLoginPathPrompt = 938,

    // User properties dialog and its pages
    UserGroupPage = 798,
    UserDescriptionLabel = 861,
    UserPasswordLabel = 862,
    UserConfirmPasswordLabel = 863,
    UserPropertiesTitle = 864,
    UserNameFieldLabel = 865,
    UserFullNameLabel = 866,
    EmptyUserName = 872,
    PasswordsDifferCaption = 873,
    UserGeneralPage = 919,
    CurrentGroupLabel = 920,
    PasswordsDiffer = 921,
    UserPropertiesHeader = 948,
    DatabasePathsPage = 988,
    CurrentDatabasePath = 989,
    SelectedDatabasePaths = 990,
    OfficeListsPage = 994,
    OfficeEntryColumn = 995,
    OfficeNumberColumn = 996,
    OfficeNameColumn = 220,
    OnlyTickedOffices = 997,
    UserNameTaken = 868,
    PasswordCharacters = 869,
    ChangesNotSaved = 870,
    NotSavedCaption = 871,
    FileNotReadOrWritten = 878,
    FileProblemCaption = 879,
    TextTooLong = 877,
    UserDeletedMeanwhile = 660,
    DeletedMeanwhileCaption = 662,
    UserGroupMissing = 663,
    UserGroupMissingCaption = 664,

    // Database path and add-login-path dialogs
    DatabasePathLabel = 986,
    DatabasePathTitle = 987,
    MirrorDatabasePathLabel = 991,
    AddLoginPathHeader = 949,
    LoginPathBox = 931,
    LoginPathNotMade = 874,
    LoginPathRefused = 875,
    NoUserFileMade = 876,

    // Group dialogs
    SaveAsButton = 801,
    GroupNameLabel = 802,
    SaveGroupAsTitle = 848,
    SaveGroupAsGroupBox = 849,
    GroupNumberLabel = 850,
    GroupNumberOutOfRange = 867,
    GroupNameFieldLabel = 896,
    GroupPropertiesTitle = 922,
    InvertSelections = 930,
    CreateNewGroupTitle = 935,
    NewGroupHeader = 950,
    GroupPropertiesHeader = 951,
    SaveGroupAsHeader = 952,
    GroupNotSavedCaption = 851,
    GroupNotSaved = 852,
    GroupSavedPartly = 858,
    GroupSaveRetryHint = 859,
    ReplaceGroupCaption = 880,
    ReplaceGroupPrompt = 881,
    ProfileLoginPathLabel = 931,
    GroupDeletedMeanwhile = 661,
    RightsSearchLabel = 665,
    RightsSearchPlaceholder = 666,
    RightsPageListName = 667,

    // Help bar
    HelpContentsTab = 723,
    HelpSearchResultsTab = 724,
    HelpSearchLabel = 725,
    HelpSearchHint = 726,
    HelpSearchTooltip = 727,
    HelpCloseTooltip = 728,
    HelpNoMatches = 729,
    HelpTitleTooltip = 730,
    HelpExpandTooltip = 731,
    HelpRestoreTooltip = 732,
    HelpBarTooltip = 733,
    HelpWindowTitle = 946,

    // Item list, filter and status
    ItemFilterLabel = 760,
    ItemFilterPlaceholder = 761,
    ItemCountStatus = 762,
    FilteredItemCountStatus = 763,
    NoLoginPathHint = 764,
    LoginPathMissing = 765,
    LoginPathNotAFolder = 766,
    LoginPathUnreadable = 767,
    ReloadCommand = 768,
    FilterCommand = 769,
    ItemListName = 770,
    LoginPathTreeName = 771,
    ReloadedStatus = 772,
    LoggedOnStatus = 686, // %1: the user logged on
    LoggedOnStatusName = 687,

    // Safety nets, unreadable lists and waits for shared files
    DeleteRowsPrompt = 773,
    MoreRowsLine = 774,
    RowsNotDeleted = 775,
    NotDeletedCaption = 776,
    GroupMembersWarning = 777,
    LockOutWarning = 778,
    SelfLockOutWarning = 779,
    LockOutCaption = 780,
    ListUnreadable = 781,
    ListUnreadableStatus = 782,
    FileMissingCause = 783,
    WaitFileInUse = 784,
    WaitTryCount = 785,
    WaitCaption = 786,
    FolderMissingCause = 787,
    ListReloadHint = 758, // %1: the key that reads the list again
    ListRetryHint = 759, // %1: the key that reads the list again

    // The audit trail: changes without their line, the history of a login path
    UnloggedChangeStatus = 640, // %1 why
    HistoryCommand = 641,
    HistoryTitle = 642,
    HistoryTimeColumn = 643,
    HistoryMachineColumn = 644,
    HistoryAccountColumn = 645,
    HistoryConsoleUserColumn = 646,
    HistoryProgramColumn = 647,
    HistoryActionColumn = 648,
    HistoryObjectColumn = 649,
    HistoryChangesColumn = 650,
    HistoryUserLabel = 651,
    HistoryObjectLabel = 652,
    HistoryActionLabel = 653,
    HistoryFromLabel = 654,
    HistoryToLabel = 655,
    HistoryAllActions = 656,
    HistoryExportCommand = 657,
    HistoryChainSound = 658,
    HistoryChainBroken = 659,
    HistoryUnreadable = 734,
    HistoryExportFailed = 735,
    HistoryTableName = 736,
};

constexpr int WordNumber(Word word)
{
    return static_cast<int>(word);
}

} // namespace custodia
