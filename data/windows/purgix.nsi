; The Windows installer: purgix.exe and purgix-cli.exe built with the installed layout,
; so that the targets go to %APPDATA%\Purgix. Made by script/windows with
;   makensis -DVERSION=1.0.0 -DFILES=<folder> -DOUTFILE=<installer> [-DSIGN=<command>] purgix.nsi
; where FILES holds purgix.exe, purgix-cli.exe, README.txt and LICENSE.txt as they are to be
; installed, and SIGN, when given, signs the uninstaller as it is written into the installer.
; A 64-bit installer: 64-bit-only systems (and Wine) cannot start NSIS's default 32-bit one.
; It installs for all users: Program Files, HKLM and the common Start menu. /S installs
; silently, /ADDTOPATH=1 (or 0) chooses whether purgix-cli goes on the system PATH, /D=DIR
; (last) sets the folder.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define URL "https://github.com/purgix/purgix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Purgix"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "Purgix"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Purgix"
InstallDirRegKey HKLM "Software\Purgix" "InstallDir"
RequestExecutionLevel admin
; Not NSIS's own name in the footer; an empty text would bring it back.
BrandingText "Purgix"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Purgix"
VIAddVersionKey "CompanyName" "The Purgix developers"
VIAddVersionKey "FileDescription" "Purgix installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 The Purgix authors"

!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!define MUI_ICON "../icons/purgix.ico"
!define MUI_UNICON "../icons/purgix.ico"
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Purgix"
!define MUI_FINISHPAGE_RUN_FUNCTION RunPurgix

; MUI gives every page the caption " ", which NSIS appends to the window title; each page
; sets the title again without it.
!define MUI_PAGE_CUSTOMFUNCTION_PRE SetTitle
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SetTitle
!insertmacro MUI_PAGE_LICENSE "${FILES}/LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SetTitle
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SetTitle
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_CUSTOMFUNCTION_PRE SetTitle
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE SetTitle
!insertmacro MUI_PAGE_FINISH
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.SetTitle
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.SetTitle
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.SetTitle
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

Function SetTitle
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:$(^SetupCaption)"
FunctionEnd

Function un.SetTitle
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:$(^UninstallCaption)"
FunctionEnd

; Started by Explorer, so that Purgix runs as the user and not with the installer's rights
; (and keeps its targets in that user's %APPDATA%).
Function RunPurgix
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\purgix.exe"'
FunctionEnd

; The system PATH is edited as a whole string, and NSIS's strings hold at most
; NSIS_MAX_STRLEN - 1 characters: a value that does not fit is left alone, never cut.
;
; RemovePathEntry: $R0 a PATH value, $R1 a folder. Leaves in $R2 the value without each
; element that names the folder (in any case, with or without a final backslash), the
; others as they were, and in $R3 how many elements went.
!macro PATH_FUNCTIONS un
Function ${un}RemovePathEntry
  StrCpy $R2 ""
  StrCpy $R3 0
  StrLen $R6 $R0
  StrCpy $R4 0 ; where the current element starts
  StrCpy $R5 0
  ${Do}
    StrCpy $R7 $R0 1 $R5
    ${If} $R5 == $R6
    ${OrIf} $R7 == ";"
      IntOp $R8 $R5 - $R4
      StrCpy $R9 $R0 $R8 $R4
      ${If} $R9 == $R1
      ${OrIf} $R9 == "$R1\"
        IntOp $R3 $R3 + 1
      ${Else}
        StrCpy $R2 "$R2;$R9"
      ${EndIf}
      IntOp $R4 $R5 + 1
    ${EndIf}
    IntOp $R5 $R5 + 1
  ${LoopUntil} $R5 > $R6
  StrCpy $R2 $R2 "" 1
FunctionEnd

; Takes $INSTDIR off the system PATH, if it is there.
Function ${un}RemoveFromPath
  ClearErrors
  ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
    DetailPrint "The system PATH is too long to be read here; it stays as it is."
    Return
  ${EndIf}
  StrCpy $R1 $INSTDIR
  Call ${un}RemovePathEntry
  ${If} $R3 > 0
    WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $R2
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
  DeleteRegValue HKLM "Software\Purgix" "AddToPath"
FunctionEnd
!macroend
!insertmacro PATH_FUNCTIONS ""
!insertmacro PATH_FUNCTIONS "un."

; Appends $INSTDIR to the system PATH, unless it is there already.
Function AddToPath
  ClearErrors
  ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${IfNot} ${Errors}
    StrCpy $R1 $INSTDIR
    Call RemovePathEntry
    ${If} $R3 > 0
      Return
    ${EndIf}
    StrLen $R4 $R0
    StrLen $R5 $INSTDIR
    IntOp $R4 $R4 + $R5
    IntOp $R4 $R4 + 1
    ${If} $R4 < ${NSIS_MAX_STRLEN}
      ; A value that ends in ";" gets one after the folder too, so that taking the
      ; folder off again gives back the value as it was.
      StrCpy $R5 $R0 "" -1
      ${If} $R0 == ""
        StrCpy $R0 $INSTDIR
      ${ElseIf} $R5 == ";"
        StrCpy $R0 "$R0$INSTDIR;"
      ${Else}
        StrCpy $R0 "$R0;$INSTDIR"
      ${EndIf}
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $R0
      WriteRegDWORD HKLM "Software\Purgix" "AddToPath" 1
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      Return
    ${EndIf}
  ${EndIf}
  MessageBox MB_ICONEXCLAMATION|MB_OK "The system PATH is too long for Setup to add $INSTDIR \
      to it. Add it yourself to run purgix-cli from any folder." /SD IDOK
  DetailPrint "The system PATH is too long to be edited here; $INSTDIR was not added."
FunctionEnd

Section "Purgix" SecMain
  SectionIn RO
  SetShellVarContext all
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${FILES}/purgix.exe"
  File "${FILES}/purgix-cli.exe"
  File "${FILES}/README.txt"
  File "${FILES}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Purgix.lnk" "$INSTDIR\purgix.exe"
  WriteRegStr HKLM "Software\Purgix" "InstallDir" "$INSTDIR"
SectionEnd

Section /o "Add purgix-cli to the PATH" SecPath
  SetRegView 64
  Call AddToPath
SectionEnd

Section "-Register"
  SetRegView 64
  ${IfNot} ${SectionIsSelected} ${SecPath}
    Call RemoveFromPath
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Purgix"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Purgix developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\purgix.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${URL}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "The window, purgix-cli and the readme."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Adds the program folder to the system PATH, \
      so that purgix-cli runs from any command prompt."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetRegView 64
  ; An earlier install's choice stands, unless the command line makes one.
  ReadRegDWORD $0 HKLM "Software\Purgix" "AddToPath"
  ${If} $0 == 1
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ADDTOPATH=" $1
  ${IfNot} ${Errors}
    ${If} $1 == 1
      !insertmacro SelectSection ${SecPath}
    ${Else}
      !insertmacro UnselectSection ${SecPath}
    ${EndIf}
  ${EndIf}
FunctionEnd

; Takes away all that Setup made; the users' targets in %APPDATA%\Purgix stay.
Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  Call un.RemoveFromPath
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
