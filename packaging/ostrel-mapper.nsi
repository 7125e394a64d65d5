; Ostrel Mapper's installer: per user, no administrator rights, into the user's local programs folder.
; An update keeps what the operator made beside the exe (config.json, presets\, debug.log); the
; uninstaller keeps it too unless asked to remove it. Built by scripts/package:
;
;   makensis /DSTAGE=<folder with ostrel.exe, assets\, LEIA-ME.txt> /DOUTFILE=<setup.exe>
;            [/DVERSION=1.0 /DFILE_VERSION=1.0.0.0]
;
; makensis works in this script's folder: the icon's path is relative to it.

; The program is 64-bit, and a 64-bit stub runs where there is no 32-bit Windows layer.
Target amd64-unicode
SetCompressor /SOLID lzma
; Installed files take the time they are installed: the installer does not depend on the stage's times.
SetDateSave off
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!ifndef STAGE
  !error "STAGE must be defined (see scripts/package)"
!endif
!ifndef OUTFILE
  !error "OUTFILE must be defined (see scripts/package)"
!endif

!define PRODUCT "Ostrel Mapper"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OstrelMapper"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define CONTROL_CLASS "OstrelControl"
!define EXIT_COMMAND 2003 ; the tray menu's "Sair"
; Held by the running program until its process has ended, when its exe may be replaced.
!define INSTANCE_MUTEX "Local\OstrelMapper.Instance"
!define CLOSE_WAIT_STEPS 100 ; of 100 ms

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
!ifdef VERSION
  BrandingText "${PRODUCT} ${VERSION}"
  VIProductVersion "${FILE_VERSION}"
  VIAddVersionKey /LANG=1046 "ProductName" "${PRODUCT}"
  VIAddVersionKey /LANG=1046 "FileDescription" "Instalador do ${PRODUCT}"
  VIAddVersionKey /LANG=1046 "FileVersion" "${VERSION}"
  VIAddVersionKey /LANG=1046 "ProductVersion" "${VERSION}"
  VIAddVersionKey /LANG=1046 "LegalCopyright" "Ostrel"
!else
  BrandingText "${PRODUCT}"
!endif

!define MUI_ICON "../src/app/ostrel.ico"
!define MUI_UNICON "../src/app/ostrel.ico"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\ostrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Iniciar o ${PRODUCT} agora"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "PortugueseBR"

LangString CloseQuestion ${LANG_PORTUGUESEBR} "${PRODUCT} ja esta em execucao. Fecha-lo para continuar?"
LangString CloseFailed ${LANG_PORTUGUESEBR} "${PRODUCT} nao fechou. Feche o programa (icone perto do relogio, $\"Sair$\") e tente de novo."
LangString CloseDeclined ${LANG_PORTUGUESEBR} "Cancelado: ${PRODUCT} continua em execucao."

; Ends a running copy through its control window, as its tray menu's "Sair" does, and waits until its
; process is gone (its exe is in use until then); never kills it. Interactive, it asks first. Leaves ""
; in $0 when none runs any more, else the reason to give up, already told when the operator did not
; choose it. A copy still starting holds the instance mutex before its window exists, so both are watched.
!macro DefineCloseRunning un
Function ${un}CloseRunning
  StrCpy $0 ""
  StrCpy $2 0 ; steps waited
  StrCpy $3 0 ; exit command sent
  ${Do}
    FindWindow $1 "${CONTROL_CLASS}"
    ${If} $1 <> 0
      ${If} $3 = 0
        MessageBox MB_YESNO|MB_ICONQUESTION "$(CloseQuestion)" /SD IDYES IDYES close
        StrCpy $0 "$(CloseDeclined)"
        Return
      close:
        DetailPrint "Fechando o ${PRODUCT} em execucao..."
        System::Call 'user32::PostMessageW(p r1, i ${WM_COMMAND}, p ${EXIT_COMMAND}, p 0)'
        StrCpy $3 1
      ${EndIf}
    ${Else}
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r1'
      ${IfThen} $1 P= 0 ${|} Return ${|}
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    IntOp $2 $2 + 1
    ${If} $2 > ${CLOSE_WAIT_STEPS}
      StrCpy $0 "$(CloseFailed)"
      MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
      Return
    ${EndIf}
    Sleep 100
  ${Loop}
FunctionEnd
!macroend
!insertmacro DefineCloseRunning ""
!insertmacro DefineCloseRunning "un."

Function .onInit
  SetShellVarContext current
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call CloseRunning
  ${If} $0 != ""
    DetailPrint "$0"
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; Only what the release is made of; the operator's files in this folder are never named here.
  SetOutPath "$INSTDIR"
  File "${STAGE}/ostrel.exe"
  File "${STAGE}/LEIA-ME.txt"
  ; Pictures an older version had and this one does not would otherwise stay.
  RMDir /r "$INSTDIR\assets"
  SetOutPath "$INSTDIR\assets"
  File /r "${STAGE}/assets/*"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninst.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\ostrel.exe" "" "$INSTDIR\ostrel.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ostrel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Ostrel"
!ifdef VERSION
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
!endif
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

; A silent deployment ends with the program running; interactive, the finish page offers it.
Function .onInstSuccess
  ${If} ${Silent}
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\ostrel.exe"'
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "un.${PRODUCT}"
  SectionIn RO
  Call un.CloseRunning
  ${If} $0 != ""
    DetailPrint "$0"
    SetErrorLevel 2
    Abort
  ${EndIf}

  Delete "$INSTDIR\ostrel.exe"
  Delete "$INSTDIR\LEIA-ME.txt"
  RMDir /r "$INSTDIR\assets"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; "INICIAR COM O WINDOWS" would otherwise start a program that is gone.
  ReadRegStr $1 HKCU "${RUN_KEY}" "OstrelMapper"
  ${If} $1 == '"$INSTDIR\ostrel.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "OstrelMapper"
  ${EndIf}
  Delete "$INSTDIR\uninst.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Unticked, and so never chosen in silent mode: the calibration outlives the program by default.
Section /o "un.Remover configuracoes e registros"
  Delete "$INSTDIR\config.json"
  Delete "$INSTDIR\config.json.tmp"
  Delete "$INSTDIR\debug.log"
  RMDir /r "$INSTDIR\presets"
SectionEnd

Section "-un.Folder"
  ; Only when nothing is left in it: never /r on the folder itself.
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
SectionEnd
