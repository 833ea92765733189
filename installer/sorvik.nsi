; The setup program: installs Sorvik into a folder the user picks, with Start-menu and optional
; desktop shortcuts and an entry in "Add or remove programs"; its uninstaller ends a running
; Sorvik and removes everything it installed, the online updates put in place (as the updater's
; journal lists them) or the program wrote, keeping the index and the saved searches when the
; user asks to. The install folder stays writable by administrators only: a standard user's
; Sorvik keeps its working files in %LOCALAPPDATA%\Sorvik.
;
; makensis -DVERSION=1.3.4 -DCOMPANY=... -DCOPYRIGHT=... -DICON=<.ico> -DSTAGE=<folder of the
; files to ship> -DOUTFILE=<setup.exe> sorvik.nsi (installer/make-package passes them)
;
; Silent use: setup.exe /S [/D=FOLDER]; uninstall.exe /S [/KEEPDATA | /REMOVEDATA] (a silent
; uninstall keeps the index and the saved searches unless /REMOVEDATA is given).

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include StrFunc.nsh
${UnStrStr}

!define PRODUCT "Sorvik"
!define PRODUCT_TITLE "Sorvik 文件搜索专家"
!define MAIN_WINDOW_TITLE "Sorvik-文件搜索专家V"  ; followed by the version, which updates change
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sorvik"
!define RUN_KEY "SOFTWARE\Microsoft\windows\currentversion\run"
!define RUN_VALUE "Tarnel"
!define CMD_EXIT 32772   ; the search window's exit command ("退    出")
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "Sorvik 文件搜索专家.lnk"
!define UNINSTALL_SHORTCUT "卸载 Sorvik.lnk"

Name "${PRODUCT_TITLE} ${VERSION}"
Caption "${PRODUCT_TITLE} ${VERSION} 安装程序"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Sorvik"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_TITLE} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "欢迎安装 ${PRODUCT_TITLE} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Sorvik 为您电脑上所有的文件和文件夹名称建立索引，输入名称即可立刻找到文件。$\r$\n$\r$\n如果 Sorvik 正在运行，安装程序会先将它关闭。$\r$\n$\r$\n单击“下一步”继续。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Sorvik.exe"
!define MUI_FINISHPAGE_RUN_TEXT "立即运行 Sorvik"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\使用说明.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看使用说明"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Ends the Sorvik that runs on this desktop: asks its search window to exit the way the tray menu
; does, then ends whatever still runs (the window did not answer, or the first-build dialog was
; up) by terminating the process that owns the window.
!macro EndRunningSorvik un
; $0: the first dialog window whose title starts with MAIN_WINDOW_TITLE (of any version), or 0.
Function ${un}FindSearchWindow
  Push $1
  Push $2
  StrCpy $0 0
  ${Do}
    FindWindow $0 "#32770" "" 0 $0
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    System::Call "user32::GetWindowText(p r0, t .r1, i 256)"
    StrLen $2 "${MAIN_WINDOW_TITLE}"
    StrCpy $1 $1 $2
    ${If} $1 == "${MAIN_WINDOW_TITLE}"
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $2
  Pop $1
FunctionEnd

Function ${un}EndRunningSorvik
  Call ${un}FindSearchWindow
  ${If} $0 <> 0
    DetailPrint "正在关闭正在运行的 Sorvik..."
    SendMessage $0 ${WM_COMMAND} ${CMD_EXIT} 0 /TIMEOUT=3000
    StrCpy $1 0
    ${DoWhile} $1 < 30
      Sleep 100
      IntOp $1 $1 + 1
      IsWindow $0 0 +2
      ${Break}
    ${Loop}
  ${EndIf}
  Call ${un}FindSearchWindow
  Push $0
  Call ${un}TerminateWindowOwnerOf
  FindWindow $0 "NINDEX_CREATION_DLG"
  Push $0
  Call ${un}TerminateWindowOwnerOf
FunctionEnd

; Stack: a window (0 for none). Terminates the process that owns it and waits for it to end.
Function ${un}TerminateWindowOwnerOf
  Exch $2
  Push $3
  ${If} $2 <> 0
    System::Call "user32::GetWindowThreadProcessId(p r2, *i .r3)"
    System::Call "kernel32::OpenProcess(i 0x100001, i 0, i r3) p .r2"  ; SYNCHRONIZE|TERMINATE
    ${If} $2 P<> 0
      System::Call "kernel32::TerminateProcess(p r2, i 0)"
      System::Call "kernel32::WaitForSingleObject(p r2, i 5000)"
      System::Call "kernel32::CloseHandle(p r2)"
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd
!macroend
!insertmacro EndRunningSorvik ""
!insertmacro EndRunningSorvik "un."


Section "Sorvik 主程序" SecMain
  SectionIn RO
  SetShellVarContext all
  Call EndRunningSorvik
  SetOutPath "$INSTDIR"
  File "${STAGE}\Sorvik.exe"
  File "${STAGE}\sorvik-cli.exe"
  File "${STAGE}\LiveUpdate.exe"
  File "${STAGE}\使用说明.txt"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}\licenses\*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; No standard user may change what every user runs: the folder keeps the rights it inherits
  ; (administrators change it, users read it). Setups of 1.3.4 and before let the Users group
  ; (S-1-5-32-545) change it; that grant is taken back when installing over them.
  nsExec::Exec 'icacls "$INSTDIR" /remove:g *S-1-5-32-545 /T /C /Q'
  Pop $0

  CreateDirectory "$SMPROGRAMS\Sorvik"
  CreateShortcut "$SMPROGRAMS\Sorvik\${SHORTCUT}" "$INSTDIR\Sorvik.exe" "" "$INSTDIR\Sorvik.exe" 0
  CreateShortcut "$SMPROGRAMS\Sorvik\使用说明.lnk" "$INSTDIR\使用说明.txt"
  CreateShortcut "$SMPROGRAMS\Sorvik\${UNINSTALL_SHORTCUT}" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_TITLE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Sorvik.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "桌面快捷方式" SecDesktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\Sorvik.exe" "" "$INSTDIR\Sorvik.exe" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "Sorvik 程序、命令行工具和使用说明。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "在桌面上放一个 Sorvik 的快捷方式。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Var KeepData

; Stack: a path. True (the error flag clear) when it lies in the install folder or the system
; folder, the only places an update writes to.
Function un.IsUpdateTarget
  Exch $0
  Push $1
  Push $2
  StrCpy $2 0  ; 1 when the path may be removed
  StrLen $1 "$INSTDIR\"
  StrCpy $1 $0 $1
  ${If} $1 == "$INSTDIR\"
    StrCpy $2 1
  ${EndIf}
  StrLen $1 "$SYSDIR\"
  StrCpy $1 $0 $1
  ${If} $1 == "$SYSDIR\"
    StrCpy $2 1
  ${EndIf}
  ${UnStrStr} $1 $0 "\.."
  ${If} $1 != ""
    StrCpy $2 0
  ${EndIf}
  ClearErrors
  ${If} $2 = 0
    SetErrors
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Removes the files and folders that online updates put in place, as LiveUpdate.exe's journal
; lists them (lines "put<TAB>0|1<TAB>PATH", "installed<TAB>PATH", "folder<TAB>PATH"), with the
; copies an interrupted update may have left beside them; the folders last, innermost first,
; and only when empty.
Function un.RemoveUpdatedFiles
  ClearErrors
  FileOpen $0 "$INSTDIR\LiveUpdate.journal" r
  IfErrors done
  StrCpy $5 0  ; folders pushed on the stack
  ${Do}
    ClearErrors
    FileRead $0 $1
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ${Do}
      StrCpy $2 $1 1 -1
      ${If} $2 == "$\n"
      ${OrIf} $2 == "$\r"
        StrCpy $1 $1 -1
      ${Else}
        ${Break}
      ${EndIf}
    ${Loop}
    StrCpy $4 ""
    StrCpy $2 $1 4
    ${If} $2 == "put$\t"
      StrCpy $4 $1 "" 6
    ${EndIf}
    StrCpy $2 $1 10
    ${If} $2 == "installed$\t"
      StrCpy $4 $1 "" 10
    ${EndIf}
    StrCpy $2 $1 7
    ${If} $2 == "folder$\t"
      StrCpy $2 $1 "" 7
      Push $2
      Call un.IsUpdateTarget
      ${IfNot} ${Errors}
        Push $2
        IntOp $5 $5 + 1
      ${EndIf}
    ${EndIf}
    ${If} $4 != ""
      Push $4
      Call un.IsUpdateTarget
      ${IfNot} ${Errors}
        Delete "$4"
        Delete "$4.sorvik-old"
        Delete "$4.sorvik-new"
        Delete "$4.sorvik-tmp"
      ${EndIf}
    ${EndIf}
  ${Loop}
  FileClose $0
  ${DoWhile} $5 > 0
    Pop $2
    RMDir "$2"
    IntOp $5 $5 - 1
  ${Loop}
done:
  ; The program's note of an update that could not be completed.
  Delete "$INSTDIR\update_attempt.txt"
  Delete "$INSTDIR\LiveUpdate.journal"
  Delete "$INSTDIR\LiveUpdate.journal.sorvik-new"
FunctionEnd

Function un.onInit
  StrCpy $KeepData 1
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    StrCpy $KeepData 0
  ${EndIf}
  ${IfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION "卸载后是否保留文件索引、收藏的搜索和设置，以便以后重新安装时继续使用？" IDYES +2
    StrCpy $KeepData 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.EndRunningSorvik

  ; The logon Run value, when it starts this copy.
  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${UnStrStr} $1 "$0" "$INSTDIR\Sorvik.exe"
  ${If} $1 != ""
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  ; The uninstalling user's own, written where the machine-wide one could not be.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${UnStrStr} $1 "$0" "$INSTDIR\Sorvik.exe"
  ${If} $1 != ""
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}

  Delete "$SMPROGRAMS\Sorvik\${SHORTCUT}"
  Delete "$SMPROGRAMS\Sorvik\使用说明.lnk"
  Delete "$SMPROGRAMS\Sorvik\${UNINSTALL_SHORTCUT}"
  RMDir "$SMPROGRAMS\Sorvik"
  Delete "$DESKTOP\${SHORTCUT}"

  Call un.RemoveUpdatedFiles
  Delete "$INSTDIR\Sorvik.exe"
  Delete "$INSTDIR\sorvik-cli.exe"
  Delete "$INSTDIR\LiveUpdate.exe"
  Delete "$INSTDIR\Sorvik.exe.sorvik-old"
  Delete "$INSTDIR\LiveUpdate.exe.sorvik-old"
  Delete "$INSTDIR\使用说明.txt"
  RMDir /r "$INSTDIR\licenses"
  ; What the program writes beside itself: build and update work folders, scratch files.
  RMDir /r "$INSTDIR\ScanTemp"
  RMDir /r "$INSTDIR\NIndex_Quillet"
  RMDir /r "$INSTDIR\NIndex_Old"
  ; The lock files that processes sharing the folder use; they hold no data.
  Delete "$INSTDIR\NIndex.lock"
  Delete "$INSTDIR\ScanTemp.lock"
  Delete "$INSTDIR\NFavorite\Favorite.xml.lock"
  RMDir /r "$INSTDIR\update_Quillet"
  Delete "$INSTDIR\Comfiles.reg"
  Delete "$INSTDIR\00-1B-24-32-DC-B3.tmp"
  Delete "$INSTDIR\00-1B-24-32-DC-B4.tmp"
  Delete "$INSTDIR\00-1B-24-32-DC-B5.tmp"
  ${If} $KeepData = 0
    RMDir /r "$INSTDIR\NIndex"
    RMDir /r "$INSTDIR\NFavorite"
    Delete "$INSTDIR\Config.xml"
    Delete "$INSTDIR\Config.xml.bad*"
    ; The uninstalling user's working files, kept there when the install folder was closed to
    ; them (other users' profiles are theirs to clear).
    SetShellVarContext current
    RMDir /r "$LOCALAPPDATA\Sorvik"
    SetShellVarContext all
  ${Else}
    DetailPrint "保留了索引、收藏的搜索和设置：$INSTDIR"
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
