; The Windows installer of Corvane Mailshift, made by packaging/build-installer with Debian's makensis:
;   makensis -DSTAGE=FOLDER -DOUTFILE=FILE -DVERSION=3.0.1109 "-DVERSION_TEXT=3.0 Build 1109" mailshift.nsi
; STAGE holds mailshift.exe, mailshift-cli.exe, Help.chm and mailshift.ico.
; It installs for the current user alone (no administrator rights), into
; %LOCALAPPDATA%\Programs\Corvane Mailshift unless /D= names another folder; /S installs silently.
; The programs are 64-bit, and so is the installer: it runs where they run.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Corvane Mailshift"
!define VENDOR "Corvane Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaneMailshift"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION_TEXT} Setup"
OutFile "${OUTFILE}"
Icon "${STAGE}\mailshift.ico"
UninstallIcon "${STAGE}\mailshift.ico"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${VENDOR}"
VIAddVersionKey "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "LegalCopyright" "${VENDOR}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
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

Section "Uninstall"
  SetShellVarContext current
  Delete "${START_MENU}\${PRODUCT}.lnk"
  Delete "${START_MENU}\${PRODUCT} Help.lnk"
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
