; The installer of Client VPN for Windows x86-64 (scripts/package-windows makes it):
;
;   makensis -DVERSION=<version> -DFOLDER=<the program's folder> -DOUTFILE=<setup.exe> ClientVPN.nsi
;
; makensis reads this script in its own folder, where relative paths start. The installer puts
; the folder of `cmake --install` for all users into Program Files, where only administrators
; can change the files that the elevated program and its OpenVPN child load. The place is fixed
; (/D is not honoured), so the uninstaller deletes only in a folder of its own. Installing over
; an earlier installation upgrades it in place; /S installs and uninstalls without a window.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define NAME "Client VPN"
!define PUBLISHER "Client"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ClientVPN"
!define UNINSTALLER "Uninstall.exe"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "../../assets/icons/appicon.ico"
!define MUI_UNICON "../../assets/icons/appicon.ico"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${NAME}"
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "Client VPN"
    SetOutPath "$INSTDIR"
    ; An upgrade replaces Qt's plugins and QML modules as a whole: none of an older version stays.
    RMDir /r "$INSTDIR\plugins"
    RMDir /r "$INSTDIR\qml"
    File /r "${FOLDER}/*"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\ClientVPN.exe"

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ClientVPN.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the installation: the program's files; what it wrote beside itself (the credentials
; files auth.txt and auth_<user>.txt, the working copies <key>.ovpn of its profiles); and the
; OpenVPN program and DLLs that its README.txt has the user copy in. Each user's settings (in
; their registry) and location files (in their application data) stay.
Section "Uninstall"
    ; The start at logon that Auto Connect registered.
    nsExec::Exec 'schtasks /Delete /TN "Client VPN" /F'
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$INSTDIR\ClientVPN.exe"
    Delete "$INSTDIR\openvpn.exe"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\qt.conf"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\auth.txt"
    Delete "$INSTDIR\auth_*.txt"
    Delete "$INSTDIR\*.ovpn"
    RMDir /r "$INSTDIR\plugins"
    RMDir /r "$INSTDIR\qml"
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Left, with what is in it, only when it holds files that are none of the above.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
