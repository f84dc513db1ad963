; The Zephquill client's Windows installer: a per-user installation without administrator
; rights into the user's local application folder, with an uninstaller. Built by scripts/installer.sh.
;
;   makensis -DCLIENT_EXE=path/ZephquillClient.exe -DOUTFILE=path/ZephquillSetup.exe ZephquillSetup.nsi
;   (-DTARGET_AMD64 builds a 64-bit installer for a 64-bit client, used by the Wine test.)
;
; Setup:     ZephquillSetup.exe [/S] [/D=folder]
; Uninstall: Uninstall.exe [/S] [/KEEPCONFIG=0]   (the settings file is kept unless
;            /KEEPCONFIG=0 is given or, in the dialogue, its box is ticked)

!ifdef TARGET_AMD64
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!ifndef CLIENT_EXE
  !define CLIENT_EXE "../build/windows-i686/ZephquillClient.exe"
!endif
!ifndef OUTFILE
  !define OUTFILE "ZephquillSetup.exe"
!endif
!ifndef VERSION
  !define VERSION "1.1.0.0"
!endif

!define PRODUCT "Zephquill"
!define EXE "ZephquillClient.exe"
!define CONFIG "ZQConfig.ini"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\${PRODUCT}"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PRODUCT}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; Per user only: never the machine-wide folders, even when started elevated.
  SetShellVarContext current
FunctionEnd

Section "Zephquill" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; A running client keeps its program file open: an installed one is asked to end all
  ; clients first, and a failed overwrite still asks to retry.
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    ExecWait '"$INSTDIR\${EXE}" /CloseAll'
  ${EndIf}
  SetOverwrite on
  File "/oname=${EXE}" "${CLIENT_EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"

  ; The automation server registers itself for this user (HKCU\Software\Classes), as this
  ; installer runs without administrator rights; a failure leaves the client itself working.
  ExecWait '"$INSTDIR\${EXE}" /RegServer' $0
  DetailPrint "Automation registration ended with $0"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; ---------------------------------------------------------------------------------------
; Uninstaller

Section "un.Zephquill" SecUnProgram
  SectionIn RO
  ; Running clients are ended first so that the program file can be deleted.
  ExecWait '"$INSTDIR\${EXE}" /CloseAll' $0
  ; Removes the user's registration (and, run elevated, the machine's as well).
  ExecWait '"$INSTDIR\${EXE}" /UnregServer' $0
  DetailPrint "Automation unregistration ended with $0"

  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\OldExecutable.bak"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
SectionEnd

Section /o "un.Remove my settings (${CONFIG})" SecRemoveConfig
  Delete "$INSTDIR\${CONFIG}"
SectionEnd

Section "-un.Folder"
  ; Removed only when empty: a kept settings file keeps its folder.
  RMDir "$INSTDIR"
SectionEnd

; After the sections, whose numbers it needs.
Function un.onInit
  SetShellVarContext current
  ; /KEEPCONFIG=0 removes the settings file as well (for silent uninstalls).
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/KEEPCONFIG=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 == "0"
    !insertmacro SelectSection ${SecRemoveConfig}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "The program, its Start menu entries, its start-with-Windows entry and its automation registration."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecRemoveConfig} "Also delete your settings (${CONFIG}); they are kept otherwise."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
