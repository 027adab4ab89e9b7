/* The program's string table, defined once: setup.rc builds its STRINGTABLE
   from this list and the native build's LoadString stand-in reads it. Ids
   21 and 31 have no text. Many entries are the setup script's section and
   key names, fetched like any other text. */
#ifndef SETUP_STRING_TABLE_H
#define SETUP_STRING_TABLE_H

#define SETUP_STRINGS(X)                                                                        \
    X(1, IDS_DISK_LABEL, "DiskLabel")                                                           \
    X(2, IDS_DIRECTORY_NAME, "DirectoryName")                                                   \
    X(3, IDS_FILE_COUNTS, "FileCounts")                                                         \
    X(4, IDS_DISK1, "Disk1")                                                                    \
    X(5, IDS_DISK2, "Disk2")                                                                    \
    X(6, IDS_DISK3, "Disk3")                                                                    \
    X(7, IDS_DISK4, "Disk4")                                                                    \
    X(8, IDS_DISK5, "Disk5")                                                                    \
    X(9, IDS_DISK6, "Disk6")                                                                    \
    X(10, IDS_ROOT_DIR, "RootDir")                                                              \
    X(11, IDS_SUB_DIR1, "SubDir1")                                                              \
    X(12, IDS_SUB_DIR2, "SubDir2")                                                              \
    X(13, IDS_SUB_DIR3, "SubDir3")                                                              \
    X(14, IDS_SUB_DIR4, "SubDir4")                                                              \
    X(15, IDS_SUB_DIR5, "SubDir5")                                                              \
    X(16, IDS_SUB_DIR6, "SubDir6")                                                              \
    X(17, IDS_WIN_DIR, "WinDir")                                                                \
    X(18, IDS_WIN_SYSTEM_DIR, "WinSystemDir")                                                   \
    X(19, IDS_WIN_INF_DIR, "WinInfDir")                                                         \
    X(20, IDS_READING_ERROR, "SETUP.INF Reading error !")                                       \
    X(22, IDS_MAIN, "Main")                                                                     \
    X(23, IDS_DEFAULT_PATH, "DefaultPath")                                                      \
    X(24, IDS_DEFAULT_INI, "DefaultINI")                                                        \
    X(25, IDS_MINIMUM_SPACE, "MinimumSpace")                                                    \
    X(26, IDS_GROUP_NAME, "GroupName")                                                          \
    X(27, IDS_GROUP_TITLE, "GroupTitle")                                                        \
    X(28, IDS_NOT_COMPLETED, " installation is not completed !")                                \
    X(29, IDS_SETUP_PROGRAM, "Setup Program")                                                   \
    X(30, IDS_PRODUCT_NAME, "ProductName")                                                      \
    X(32, IDS_DIR_EXISTS,                                                                       \
      "The specified directory already exists !\nDo you still want to install into this "       \
      "directory ?")                                                                            \
    X(33, IDS_CANNOT_CREATE_DIR,                                                                \
      "Can not create directory !\nThe specified directory is either invalid or disk drive is " \
      "write protected.")                                                                       \
    X(34, IDS_NO_SPACE, "There is no enough free space in the specified disk drive !")          \
    X(35, IDS_INSERT_DISK, "Please insert '%s' into your disk drive !")                         \
    X(36, IDS_COPYING, "Copying ")                                                              \
    X(37, IDS_READING, "Reading ...")                                                           \
    X(38, IDS_WRITING, "Writing ...")                                                           \
    X(39, IDS_GROUP_FAILED, "Failed to create a new group !")                                   \
    X(40, IDS_PM_INFO, "PM Info")                                                               \
    X(41, IDS_STARTUP, "Startup")                                                               \
    X(42, IDS_FILE_NAME, "FileName")                                                            \
    X(43, IDS_TITLE, "Title")                                                                   \
    X(44, IDS_WIN9X_ONLY, "This  Mouse Setup Program is for Windows 95/98 only !")              \
    X(45, IDS_MFG, "Mfg")                                                                       \
    X(46, IDS_MOUSE_DRIVER, "MouseDriver")                                                      \
    X(47, IDS_MOUSE_INF, "MouseInf")                                                            \
    X(48, IDS_DRIVER_DATE, "DriverDate")                                                        \
    X(49, IDS_PS2_INF_SECTION, "PS2InfSection")                                                 \
    X(50, IDS_SERIAL_INF_SECTION, "SerialInfSection")                                           \
    X(51, IDS_PS2_NAME, "PS2Name")                                                              \
    X(52, IDS_SEIAL_NAME, "SeialName")                                                          \
    X(53, IDS_DRIVER_INSTALLED,                                                                 \
      "The Mouse Setup Program has installed driver successfully. You have to restart your "    \
      "Windows now !")                                                                          \
    X(54, IDS_COPY_FAILED,                                                                      \
      "Some files could not be written to the destination !\nThe disk may be full or write "    \
      "protected. system.ini is left as it was.")                                               \
    X(55, IDS_SWITCH_FAILED,                                                                    \
      "system.ini could not be changed and is left as it was !\nPlease check that system.ini, " \
      "system.bak and WININIT.INI are not read-only, then run Setup again.")                    \
    X(56, IDS_NOT_INSTALLED_FULLY, "%s is not installed completely !")                          \
    X(57, IDS_REGISTER_FAILED,                                                                  \
      "The mouse driver could not be registered completely !\nsystem.ini is left as it was. "   \
      "Please run Setup again.")                                                                \
    X(58, IDS_RECORD_FAILED,                                                                    \
      "SETUP.INF could not be written in the destination directory !\nThe mouse driver is not " \
      "registered and system.ini is left as it was.")                                           \
    X(59, IDS_DRIVER_NO_RECORD, "SETUP.INF could not be written in %s !\nNothing was changed.") \
    X(60, IDS_FOREIGN_RECORD,                                                                   \
      "The SETUP.INF in this directory belongs to another program or to the setup disks !\n"    \
      "Please choose another directory.")                                                       \
    X(61, IDS_RESTART_FIRST,                                                                    \
      "Changes to the files of this setup wait for the next start of Windows !\n"               \
      "Please restart Windows, then run Setup again.")                                          \
    X(62, IDS_DONE_AT_RESTART,                                                                  \
      "%s is installed. Files in use are replaced when Windows restarts.")                      \
    X(63, IDS_NOT_INSTALLED,                                                                    \
      "%s is not installed: please run the full Setup first.\nNothing was changed.")            \
    X(64, IDS_DONE_RESTART, "%s is installed. Windows must restart before the mouse works.")    \
    X(65, IDS_RESTART_QUESTION, "%s is installed. Restart Windows now?")                        \
    X(66, IDS_UNATTENDED, "Unattended")                                                         \
    X(67, IDS_ANSWER_MOUSE_TYPE, "MouseType")                                                   \
    X(68, IDS_ANSWER_DESTINATION, "Destination")                                                \
    X(69, IDS_ANSWER_RESTART, "Restart")                                                        \
    X(70, IDS_ANSWER_RESULT, "Result")                                                          \
    X(71, IDS_LOG, "Log")

#endif
