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

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Zorvel"
  SetShellVarContext all
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

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Zorvel.lnk"
!include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Zorvel"
SectionEnd
