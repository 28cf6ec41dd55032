; Tunestow's installer: puts gen_tunestow.dll into the Plugins folder of an
; existing Winamp or WACUP installation (the folder of winamp.exe or
; wacup.exe), writes an uninstaller beside it and adds an entry to Windows'
; list of installed programs. CMake builds it
; (installer/CMakeLists.txt) and passes the version and the paths with -D.
;
;   tunestow-setup.exe [/S] [/D=C:\path\to\Winamp]
;   Plugins\uninstall-tunestow.exe [/S] [_?=C:\path\to\Winamp\Plugins]
;
; Exit codes of both: 0 done, 1 cancelled by the user, 2 the folder holds
; neither winamp.exe nor wacup.exe, 3 the player is still running (in silent
; mode at once, else when the user gives up waiting for it), 4 the player is a
; 64-bit program (installer only). The uninstaller gives its code only
; when run in place with _?=; without it, it starts a copy of itself in the
; temporary folder and returns 0 at once.

!ifndef VERSION | PLUGIN_DLL | OUTFILE | PUBLISHER | COPYRIGHT
  !error "Build through CMake: VERSION, PLUGIN_DLL, OUTFILE, PUBLISHER and COPYRIGHT come from there"
!endif

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!define PLAYER_WINDOW_CLASS "Winamp v1.x"
!define PLUGIN "gen_tunestow.dll"
!define UNINSTALLER "uninstall-tunestow.exe"
; A new uninstaller waiting for the next restart to take the name above.
!define UNINSTALLER_NEXT "uninstall-tunestow.exe.new"
!define PLAYER_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunestow"
!define EXIT_NO_PLAYER 2
!define EXIT_PLAYER_RUNNING 3
!define EXIT_64BIT_PLAYER 4

Name "Tunestow"
Caption "Tunestow ${VERSION} Setup"
UninstallCaption "Tunestow ${VERSION} Uninstall"
BrandingText "Tunestow ${VERSION}"
OutFile "${OUTFILE}"

; The default folder is where the player records itself: first its entry in
; the list of installed programs, whose UninstallString is the path of the
; player's uninstaller in its folder (NSIS drops the quotes and the file
; name), then in .onInit the keys of Winamp and of older players, then
; WACUP's and Winamp's folders in Program Files. /D= on the command line is
; applied before all of them and wins.
InstallDirRegKey HKLM "${PLAYER_UNINSTALL_KEY}" "UninstallString"

ShowInstDetails show
ShowUninstDetails show
; A DLL that cannot be written stops the installation; it is never skipped.
AllowSkipFiles off

VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_PATCH}.0"
VIFileVersion "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_PATCH}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Tunestow"
VIAddVersionKey /LANG=1033 "FileDescription" "Tunestow ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define NO_PLAYER_TEXT "There is no Winamp in $INSTDIR (neither winamp.exe nor wacup.exe is there).$\r$\n$\r$\nChoose the folder where Winamp or WACUP is installed."
; $R0 is the player's program, as isProgram64Bit leaves it.
!define PLAYER_64BIT_TEXT "$R0 is a 64-bit program. A 64-bit player cannot load Tunestow, which is a 32-bit plug-in.$\r$\n$\r$\nInstall Tunestow into the 32-bit build of Winamp or WACUP."
!define PLAYER_RUNNING_TEXT "Winamp is running and holds its plug-ins open.$\r$\n$\r$\nClose Winamp, then click Retry."

DirText "Setup will install Tunestow ${VERSION} into the Plugins folder of Winamp or WACUP. Choose the folder where it is installed, the one that holds winamp.exe or wacup.exe." "Winamp or WACUP folder"
UninstallText "This removes Tunestow from Winamp's Plugins folder. Your Tunestow settings stay in Winamp's settings file."

Page directory "" "" leaveDirectoryPage
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles


; Waits, asking the user, until the player's main window is gone. Sets $0 to
; 0 when it is, to 1 when the user cancels; in silent mode the answer is
; Cancel at once, so that a DLL in use is never overwritten unattended.
!macro DEFINE_WAIT_FOR_PLAYER prefix
Function ${prefix}waitForPlayerToClose
  retry:
    FindWindow $0 "${PLAYER_WINDOW_CLASS}"
    StrCmp $0 0 closed
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PLAYER_RUNNING_TEXT}" /SD IDCANCEL IDRETRY retry
    StrCpy $0 1
    Return
  closed:
    StrCpy $0 0
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_FOR_PLAYER ""
!insertmacro DEFINE_WAIT_FOR_PLAYER "un."

; Ends a silent run, or an interactive one past the pages, with an exit code.
!macro FAIL_WITH code
  SetErrorLevel ${code}
  Abort
!macroend


; $INSTDIR is still empty when neither /D= nor the player's uninstall entry
; named a folder. Winamp 5.9 records its folder for the user only; older
; players did so for the machine. WACUP records nothing that is documented,
; so only its usual folder is tried, and only when WACUP is there: else
; Winamp's usual folder is offered.
Function .onInit
  StrCmp $INSTDIR "" 0 done
  ReadRegStr $INSTDIR HKCU "Software\Winamp" ""
  StrCmp $INSTDIR "" 0 done
  ReadRegStr $INSTDIR HKLM "Software\Winamp" ""
  StrCmp $INSTDIR "" 0 done
  StrCpy $INSTDIR "$PROGRAMFILES\WACUP"
  IfFileExists "$INSTDIR\wacup.exe" done
  StrCpy $INSTDIR "$PROGRAMFILES\Winamp"
  done:
FunctionEnd

; Sets $R1 to 1 when the program $R0 is a 64-bit one, else to 0; uses $R2
; and $R3. The machine a program is built for is in its PE header: the
; 32-bit value at 0x3C of the MZ header is where "PE\0\0" starts, and the
; 16-bit machine follows it. A file that does not read so, or that cannot be
; opened, counts as no 64-bit program: it is the player's business to run it.
Function isProgram64Bit
  StrCpy $R1 0
  ClearErrors
  FileOpen $R2 $R0 r
  IfErrors done
  ; A read past the end gives an empty string, which compares as 0.
  FileReadWord $R2 $R3
  IntCmp $R3 0x5A4D 0 closed closed ; "MZ"
  FileSeek $R2 0x3C SET
  FileReadWord $R2 $R3
  FileReadWord $R2 $R1
  IntOp $R1 $R1 << 16
  IntOp $R3 $R3 | $R1
  StrCpy $R1 0
  ; IntCmp is signed: an offset past 2 GB reads as negative.
  IntCmp $R3 0 closed closed
  FileSeek $R2 $R3 SET
  FileReadWord $R2 $R3
  IntCmp $R3 0x4550 0 closed closed ; "PE"
  FileReadWord $R2 $R3
  IntCmp $R3 0 0 closed closed ; "\0\0"
  FileReadWord $R2 $R3
  IntCmp $R3 0x8664 is64Bit ; x64
  IntCmp $R3 0xAA64 is64Bit closed closed ; ARM64
  is64Bit:
    StrCpy $R1 1
  closed:
  FileClose $R2
  done:
FunctionEnd

; Sets $0 to 0 when $INSTDIR holds a player that can load the plug-in, else
; to the exit code of the refusal, with its message in $1. A folder may hold
; both programs; a 64-bit one among them refuses it, since the user may start
; either.
Function checkPlayerFolder
  StrCpy $0 0
  StrCpy $R0 "$INSTDIR\winamp.exe"
  Call isProgram64Bit
  StrCmp $R1 1 refuse64Bit
  StrCpy $R0 "$INSTDIR\wacup.exe"
  Call isProgram64Bit
  StrCmp $R1 1 refuse64Bit
  IfFileExists "$INSTDIR\winamp.exe" done
  IfFileExists "$INSTDIR\wacup.exe" done
    StrCpy $0 ${EXIT_NO_PLAYER}
    StrCpy $1 "${NO_PLAYER_TEXT}"
    Return
  refuse64Bit:
    StrCpy $0 ${EXIT_64BIT_PLAYER}
    StrCpy $1 "${PLAYER_64BIT_TEXT}"
  done:
FunctionEnd

; Next on the directory page: the folder must hold a player that can load the
; plug-in, and the player must not run. Abort here keeps the user on the page.
Function leaveDirectoryPage
  Call checkPlayerFolder
  StrCmp $0 0 playerFound
    MessageBox MB_OK|MB_ICONSTOP "$1"
    Abort
  playerFound:
  Call waitForPlayerToClose
  StrCmp $0 0 +2
    Abort
FunctionEnd

Section "Tunestow" SectionPlugin
  ; Silent mode shows no pages, so the checks of the directory page run
  ; again here; the player may also have been started since.
  Call checkPlayerFolder
  StrCmp $0 0 playerFound
    DetailPrint "Refused: $INSTDIR"
    MessageBox MB_OK|MB_ICONSTOP "$1" /SD IDOK
    !insertmacro FAIL_WITH $0
  playerFound:
  Call waitForPlayerToClose
  StrCmp $0 0 playerClosed
    DetailPrint "Winamp is running"
    !insertmacro FAIL_WITH ${EXIT_PLAYER_RUNNING}
  playerClosed:

  SetOutPath "$INSTDIR\Plugins"
  SetOverwrite on
  ; An uninstaller without the plug-in is what an uninstall run in place
  ; leaves until the next restart deletes it. A second copy then takes its
  ; name again, once that deletion has been done.
  IfFileExists "$INSTDIR\Plugins\${PLUGIN}" uninstallerKept
  IfFileExists "$INSTDIR\Plugins\${UNINSTALLER}" 0 uninstallerKept
    WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER_NEXT}"
    Rename /REBOOTOK "$INSTDIR\Plugins\${UNINSTALLER_NEXT}" "$INSTDIR\Plugins\${UNINSTALLER}"
  uninstallerKept:
  ; The build's file time stays out of the installer, so that the same
  ; sources give the same installer bytes; the plug-in gets the install time.
  SetDateSave off
  File "${PLUGIN_DLL}"
  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"

  SectionGetSize ${SectionPlugin} $1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tunestow (Winamp plug-in)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Plugins\${PLUGIN},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\Plugins"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}"'
  ; The quiet command runs the uninstaller in place, so that it waits and its
  ; exit code tells what happened. _?= goes last and unquoted.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}" /S _?=$INSTDIR\Plugins'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd


; $INSTDIR is the Plugins folder the uninstaller sits in. Only the two files
; this installer wrote go; the folder and the player's settings file, which
; holds the plug-in's settings, stay.
Section "Uninstall"
  Call un.waitForPlayerToClose
  StrCmp $0 0 playerClosed
    DetailPrint "Winamp is running"
    !insertmacro FAIL_WITH ${EXIT_PLAYER_RUNNING}
  playerClosed:

  Delete "$INSTDIR\${PLUGIN}"
  ; Run from its copy in the temporary folder, the uninstaller deletes its own
  ; file here. Run in place (_?=) that file is in use until the uninstaller
  ; ends, and goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"

  ; With copies in two players' folders the entry names the later one; the
  ; uninstaller of the other copy leaves it in place.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $1 $INSTDIR 0 +2
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
