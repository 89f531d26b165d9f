; The Windows installer. makeinstaller.cmake gives VERSION, OUTFILE, ICON and the two file lists.
; Silent: zorvel-setup.exe /S [/D=C:\Folder]; uninstall.exe /S. The uninstaller removes the
; program's files only: the user's history (in the local application data folder, or beside
; the program where a user put one) stays.
Target amd64-unicode
Name "Zorvel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zorvel"
InstallDirRegKey HKLM "Software\Zorvel" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "Zorvel ${VERSION}"

!include "MUI2.nsh"
!include "x64.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvel"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zorvel.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Romanian"

!macro RemovePluginFolder NAME
  Delete "$INSTDIR\bin\${NAME}\*.dll"
  RMDir "$INSTDIR\bin\${NAME}"
!macroend

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Zorvel"
  SetShellVarContext all
  Call RemoveEarlierLayout
!include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Zorvel.lnk" "$INSTDIR\zorvel.exe" "" "$INSTDIR\zorvel.exe" 0
  WriteRegStr HKLM "Software\Zorvel" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zorvel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zorvel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zorvel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; An earlier version kept the program in bin\ and its workbook and shipped history in share\zorvel\.
; Only the program's own files go: a history or a workbook a user kept there stays where it is.
Function RemoveEarlierLayout
  IfFileExists "$INSTDIR\bin\zorvel.exe" 0 done
  Delete "$INSTDIR\bin\zorvel.exe"
  Delete "$INSTDIR\bin\zorvel-access.exe"
  Delete "$INSTDIR\bin\zorvel-excel.exe"
  Delete "$INSTDIR\bin\*.dll"
  !insertmacro RemovePluginFolder "platforms"
  !insertmacro RemovePluginFolder "sqldrivers"
  !insertmacro RemovePluginFolder "imageformats"
  !insertmacro RemovePluginFolder "iconengines"
  !insertmacro RemovePluginFolder "styles"
  !insertmacro RemovePluginFolder "tls"
  RMDir "$INSTDIR\bin"
  RMDir "$INSTDIR\share\zorvel"
  RMDir "$INSTDIR\share"
done:
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Zorvel.lnk"
!include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Zorvel"
SectionEnd
