; The Windows installer: the licence page first, then the two window
; programs, the command line program, both manuals and the licence under
; Program Files, Start-menu shortcuts for both languages that start the
; programs in a folder of the user's own
; (%APPDATA%\kvrsetup, where blsetup.cfg is kept and Help finds the manual),
; and an uninstaller that leaves the user's blsetup.cfg.
; scripts/package.sh runs it: makensis -DVERSION=.. -DFILES=.. -DOUTFILE=..
; [-DWIN64]

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef VERSION
  !error "VERSION must be given"
!endif
!ifndef FILES
  !error "FILES must be given"
!endif
!ifndef OUTFILE
  !error "OUTFILE must be given"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kvrsetup"
!define MENU_FOLDER "$SMPROGRAMS\KVR-Duza2 Setup"
!define USER_FOLDER "$APPDATA\kvrsetup"

Name "KVR-Duza2 Setup ${VERSION}"
OutFile "${OUTFILE}"
!ifdef WIN64
  InstallDir "$PROGRAMFILES64\kvrsetup"
!else
  InstallDir "$PROGRAMFILES\kvrsetup"
!endif
ShowInstDetails show
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "KVR-Duza2 Setup"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "KVR-Duza2 Setup installer"
VIAddVersionKey "CompanyName" "kvrsetup developers"
VIAddVersionKey "LegalCopyright" "Copyright 2026 kvrsetup developers, MIT licence"

; The MIT licence, which the programs are passed on under.
LicenseData "${FILES}\LICENSE.txt"
Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
!ifdef WIN64
  SetRegView 64
!endif
FunctionEnd

Function un.onInit
!ifdef WIN64
  SetRegView 64
!endif
FunctionEnd

Section "kvrsetup"
  SetOutPath "$INSTDIR"
  File "${FILES}\kvrsetup-en.exe"
  File "${FILES}\kvrsetup-de.exe"
  File "${FILES}\kvrsetup-cli.exe"
  File "${FILES}\pc-setup-english.pdf"
  File "${FILES}\pc-setup-deutsch.pdf"
  File "${FILES}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts of the installing user; their working folder is the
  ; user's own, and --user-folder has the program make it and put the
  ; manuals there on each user's first start.
  SetShellVarContext current
  CreateDirectory "${USER_FOLDER}"
  CreateDirectory "${MENU_FOLDER}"
  SetOutPath "${USER_FOLDER}"
  CreateShortCut "${MENU_FOLDER}\KVR-Duza2 Setup (English).lnk" "$INSTDIR\kvrsetup-en.exe" \
      "--user-folder" "$INSTDIR\kvrsetup-en.exe" 0
  CreateShortCut "${MENU_FOLDER}\KVR-Duza2 Setup (Deutsch).lnk" "$INSTDIR\kvrsetup-de.exe" \
      "--user-folder" "$INSTDIR\kvrsetup-de.exe" 0
  CreateShortCut "${MENU_FOLDER}\Manual (English).lnk" "$INSTDIR\pc-setup-english.pdf"
  CreateShortCut "${MENU_FOLDER}\Handbuch (Deutsch).lnk" "$INSTDIR\pc-setup-deutsch.pdf"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KVR-Duza2 Setup"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "kvrsetup developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kvrsetup-en.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program files go; the user's folder keeps blsetup.cfg (only the
; copies of the manuals leave it, and the folder itself when nothing else
; is in it).
Section "Uninstall"
  Delete "$INSTDIR\kvrsetup-en.exe"
  Delete "$INSTDIR\kvrsetup-de.exe"
  Delete "$INSTDIR\kvrsetup-cli.exe"
  Delete "$INSTDIR\pc-setup-english.pdf"
  Delete "$INSTDIR\pc-setup-deutsch.pdf"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext current
  Delete "${MENU_FOLDER}\KVR-Duza2 Setup (English).lnk"
  Delete "${MENU_FOLDER}\KVR-Duza2 Setup (Deutsch).lnk"
  Delete "${MENU_FOLDER}\Manual (English).lnk"
  Delete "${MENU_FOLDER}\Handbuch (Deutsch).lnk"
  RMDir "${MENU_FOLDER}"
  Delete "${USER_FOLDER}\pc-setup-english.pdf"
  Delete "${USER_FOLDER}\pc-setup-deutsch.pdf"
  RMDir "${USER_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
