; The Windows installer: purgix.exe and purgix-cli.exe built with the installed layout,
; so that the targets go to %APPDATA%\Purgix. Made by script/windows with
;   makensis -DVERSION=1.0.0 -DBUILD=<build folder> -DOUTFILE=<installer> purgix.nsi
; A 64-bit installer: 64-bit-only systems (and Wine) cannot start NSIS's default 32-bit one.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "Purgix"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Purgix"
InstallDirRegKey HKLM "Software\Purgix" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Purgix"
VIAddVersionKey "FileDescription" "Purgix installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence"

!define MUI_ICON "../icons/purgix.ico"
!define MUI_UNICON "../icons/purgix.ico"
!insertmacro MUI_PAGE_LICENSE "../../LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Purgix"

Section "Purgix"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${BUILD}/purgix.exe"
  File "${BUILD}/purgix-cli.exe"
  File /oname=README.txt "./README.txt"
  File /oname=LICENSE.txt "../../LICENSE"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Purgix.lnk" "$INSTDIR\purgix.exe"
  WriteRegStr HKLM "Software\Purgix" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Purgix"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Purgix developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\purgix.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  Delete "$INSTDIR\purgix.exe"
  Delete "$INSTDIR\purgix-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Purgix.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Purgix"
SectionEnd
