/* The uninstaller's string table, defined once: uninstal.rc builds its
   STRINGTABLE from this list. %s is the product's title (the switch in
   IDS_UN_SWITCH, the folder in IDS_RES_NO_INSTALLATION). IDS_RES_ texts are
   only the result file's reasons. */
#ifndef UNINSTALL_STRING_TABLE_H
#define UNINSTALL_STRING_TABLE_H

#define UNINSTALL_STRINGS(X)                                                               \
    X(100, IDS_UN_CAPTION, "%s Uninstall")                                                 \
    X(101, IDS_UN_QUESTION, "Remove %s and restore the earlier mouse driver?")             \
    X(102, IDS_UN_DONE, "%s has been removed.")                                            \
    X(103, IDS_UN_NOTHING, "Nothing of %s was found to remove.")                           \
    X(104, IDS_UN_LEFT, "These were left as they are:")                                    \
    X(105, IDS_UN_MORE, "and %d more.")                                                    \
    X(106, IDS_UN_AT_RESTART, "%d file(s) will be deleted when Windows restarts.")         \
    X(107, IDS_UN_RESTART, "Windows must restart to finish. Restart Windows now?")         \
    X(108, IDS_UN_DEFAULT_PRODUCT, "the mouse software")                                   \
    X(109, IDS_UN_SWITCH, "%s: this switch cannot be used. Nothing was changed.")          \
    X(110, IDS_RES_RUNNING, "running")                                                     \
    X(111, IDS_LEFT_CHANGED, "changed after setup, kept")                                  \
    X(112, IDS_LEFT_UNKNOWN, "may be setup's own value, kept")                             \
    X(113, IDS_LEFT_KEY, "registry key could not be removed")                              \
    X(114, IDS_LEFT_NO_RECORD, "no install record: the mouse driver registration stays")   \
    X(115, IDS_LEFT_MOUSE_LINE, "system.ini mouse line changed after setup, kept")         \
    X(116, IDS_LEFT_FAILED, "could not be changed; nothing was lost")                      \
    X(117, IDS_LEFT_DIRECTORY, "folder still holds files")                                 \
    X(118, IDS_LEFT_UNLISTED, "no uninstall list: files other than the programs stay in")  \
    X(119, IDS_LEFT_NO_EARLIER_LINE,                                                       \
      "system.ini keeps setup's mouse line: no earlier one was kept")                      \
    X(120, IDS_LEFT_EXISTED, "was there before setup, which copied its own over it; kept") \
    X(121, IDS_LEFT_SHARED, "shared file other programs still use; kept")                  \
    X(122, IDS_LEFT_NOT_RECORDED, "setup did not record this file; kept")                  \
    X(123, IDS_LEFT_REGISTERED,                                                            \
      "the installation Windows has registered: its uninstaller removes the rest")         \
    X(124, IDS_RES_RESTART, "%s has been removed; Windows must restart to finish.")        \
    X(125, IDS_RES_NO_INSTALLATION, "%s holds no installation. Nothing was changed.")      \
    X(126, IDS_RES_NO, "No at the question. Nothing was changed.")

#endif
