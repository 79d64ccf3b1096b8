; The Windows installer, built by scripts/package-windows with Debian's makensis:
;   makensis -DVERSION=3.7.0 -DSTAGE=<folder with the programs> -DOUTFILE=<installer.exe>
;            -DUNINSTALL_LIST=<the Delete and RMDir lines for STAGE's files> [-DICON=<korvane.ico>] korvane.nsi
; Installs for all users into Program Files\Korvane, with a Start-menu folder (Korvane, the manual,
; the uninstaller) and an entry in "Apps & features".
; A 64-bit installer for 64-bit programs (it also runs under a 64-bit-only Wine).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

!ifndef VERSION | STAGE | OUTFILE | UNINSTALL_LIST
  !error "VERSION, STAGE, OUTFILE and UNINSTALL_LIST must be defined"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"

Name "Korvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvane"
InstallDirRegKey HKLM "Software\Korvane" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Korvane"
VIAddVersionKey "FileDescription" "Korvane ${VERSION} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "GNU General Public License, version 3 or later"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvane.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Korvane"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Korvane"
  CreateShortCut "$SMPROGRAMS\Korvane\Korvane.lnk" "$INSTDIR\korvane.exe"
  CreateShortCut "$SMPROGRAMS\Korvane\Korvane manual.lnk" "$INSTDIR\Manual.txt"
  CreateShortCut "$SMPROGRAMS\Korvane\Uninstall Korvane.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "Software\Korvane" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Korvane\Korvane.lnk"
  Delete "$SMPROGRAMS\Korvane\Korvane manual.lnk"
  Delete "$SMPROGRAMS\Korvane\Uninstall Korvane.lnk"
  RMDir "$SMPROGRAMS\Korvane"
  ; Only what the installer put there: the list is written by scripts/package-windows.
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Korvane"
SectionEnd
