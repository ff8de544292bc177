; The Windows installer of Corvane Mailshift, made by packaging/build-installer with Debian's makensis:
;   makensis -DSTAGE=FOLDER -DOUTFILE=FILE -DVERSION=3.0.1109 "-DVERSION_TEXT=3.0 Build 1109" mailshift.nsi
; STAGE holds mailshift.exe, mailshift-cli.exe, Help.chm, mailshift.ico and wizard.bmp (the picture
; of the welcome and finish pages, made from the splash artwork by packaging/wizard-picture).
; It installs for the current user alone (no administrator rights), into
; %LOCALAPPDATA%\Programs\Corvane Mailshift unless /D= names another folder; /S installs silently.
; The programs are 64-bit, and so is the installer: it runs where they run.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include StrFunc.nsh
!include WinMessages.nsh
${StrStr}
${UnStrRep}

!define PRODUCT "Corvane Mailshift"
!define VENDOR "Corvane Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaneMailshift"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"
!define ENVIRONMENT_KEY "Environment"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION_TEXT} Setup"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
; No line naming the tool that made the installer.
BrandingText " "

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${VENDOR}"
VIAddVersionKey "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "LegalCopyright" "${VENDOR}"

!define MUI_ICON "${STAGE}\mailshift.ico"
!define MUI_UNICON "${STAGE}\mailshift.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "${STAGE}\wizard.bmp"
; The files page stays until Next, with what was installed.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION_TEXT}"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} moves the mail of a Lotus Notes mail database (.nsf) into .eml \
files, one per message, with their attachments.$\r$\n$\r$\n\
On Windows it reads the database through the Lotus Notes client: a Notes client must be installed \
on this computer and able to open the database by itself (a stand-alone client, no server). \
Without one the program installs and starts, but cannot scan or export.$\r$\n$\r$\n\
Click Next to continue."
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\mailshift.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run ${PRODUCT} now"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed. The Start menu folder $\"${PRODUCT}$\" holds the \
program, its help and a command prompt for mailshift-cli.exe."

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT}" SectionProgram
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\mailshift-cli.exe"
  File "${STAGE}\Help.chm"
  File "${STAGE}\mailshift.ico"
  File "${STAGE}\mailshift.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "${START_MENU}"
  CreateShortcut "${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\mailshift.exe" "" "$INSTDIR\mailshift.ico" 0
  CreateShortcut "${START_MENU}\${PRODUCT} Help.lnk" "$INSTDIR\Help.chm"
  ; A command prompt in the program's folder (the working folder is the output path set above),
  ; showing how mailshift-cli.exe is used.
  CreateShortcut "${START_MENU}\${PRODUCT} Command Prompt.lnk" "$SYSDIR\cmd.exe" \
    '/k mailshift-cli.exe --help' "$INSTDIR\mailshift.ico" 0
  CreateShortcut "${START_MENU}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe" "" "$INSTDIR\mailshift.ico" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION_TEXT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mailshift.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The user's own PATH (HKCU\Environment), so that mailshift-cli.exe runs from any command prompt.
; The uninstaller takes the folder out again only when this added it.
Section "mailshift-cli.exe on your PATH" SectionPath
  ReadRegStr $0 HKCU "${ENVIRONMENT_KEY}" "Path"
  StrLen $1 $0
  ; A PATH longer than the installer's strings would be cut when written back: it is left alone.
  ${If} $1 > 768
    DetailPrint "Your PATH is too long to extend; mailshift-cli.exe is not added to it."
    Return
  ${EndIf}
  ${StrStr} $2 ";$0;" ";$INSTDIR;"
  ${If} $2 != ""
    Return
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" "$0"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:${ENVIRONMENT_KEY}" /TIMEOUT=5000
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 == 1
    ReadRegStr $1 HKCU "${ENVIRONMENT_KEY}" "Path"
    ${UnStrRep} $1 ";$1;" ";$INSTDIR;" ";"
    ; Without the semicolons added around it for the search.
    StrCpy $1 $1 "" 1
    StrCpy $1 $1 -1
    ${If} $1 == ""
      DeleteRegValue HKCU "${ENVIRONMENT_KEY}" "Path"
    ${Else}
      WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" "$1"
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:${ENVIRONMENT_KEY}" /TIMEOUT=5000
  ${EndIf}

  Delete "${START_MENU}\${PRODUCT}.lnk"
  Delete "${START_MENU}\${PRODUCT} Help.lnk"
  Delete "${START_MENU}\${PRODUCT} Command Prompt.lnk"
  Delete "${START_MENU}\Uninstall ${PRODUCT}.lnk"
  RMDir "${START_MENU}"

  Delete "$INSTDIR\mailshift.exe"
  Delete "$INSTDIR\mailshift-cli.exe"
  Delete "$INSTDIR\Help.chm"
  Delete "$INSTDIR\mailshift.ico"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
