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

; The OpenVPN program that Client VPN will start, looked for in the program's order: openvpn.exe
; beside it; the "exe_path" value of HKLM\SOFTWARE\OpenVPN (64-bit view), where OpenVPN's own
; installer records its program; bin\openvpn.exe under that key's default value, its folder.
; Only absolute paths count. Leaves the program in $0, or "" when there is none.
Function FindOpenVpn
    StrCpy $0 "$INSTDIR\openvpn.exe"
    IfFileExists $0 found
    SetRegView 64
    ReadRegStr $0 HKLM "SOFTWARE\OpenVPN" "exe_path"
    Call IsAbsoluteFile
    StrCmp $1 "yes" found_registered
    ReadRegStr $0 HKLM "SOFTWARE\OpenVPN" ""
    StrCpy $1 $0 1 -1
    StrCmp $1 "\" 0 +2
    StrCpy $0 $0 -1
    StrCpy $0 "$0\bin\openvpn.exe"
    Call IsAbsoluteFile
    StrCmp $1 "yes" found_registered
    StrCpy $0 ""
found_registered:
    SetRegView lastused
found:
FunctionEnd

; $1 is "yes" when $0 is an absolute path (X:\... or \\server\...) of an existing file.
Function IsAbsoluteFile
    StrCpy $1 "no"
    StrCpy $2 $0 2 1
    StrCmp $2 ":\" check
    StrCpy $2 $0 2
    StrCmp $2 "\\" check done
check:
    IfFileExists $0 0 done
    IfFileExists "$0\*.*" done
    StrCpy $1 "yes"
done:
FunctionEnd

; Says which OpenVPN connections will use, or that none is installed; the install goes on
; either way. A silent install (/S) shows no message, only the line in the install details.
Function ReportOpenVpn
    Call FindOpenVpn
    StrCmp $0 "" missing
    DetailPrint "OpenVPN found: $0"
    MessageBox MB_OK|MB_ICONINFORMATION "Client VPN will connect with the OpenVPN installed at$\r$\n$0" /SD IDOK
    Return
missing:
    DetailPrint "OpenVPN not found: install OpenVPN 2.6 for Windows, which connections need"
    MessageBox MB_OK|MB_ICONEXCLAMATION "OpenVPN is not installed.$\r$\n$\r$\nClient VPN makes its connections with OpenVPN: install OpenVPN 2.6 for Windows (the installer from the OpenVPN project) before the first connection." /SD IDOK
FunctionEnd

Section "Client VPN"
    SetOutPath "$INSTDIR"
    ; An upgrade replaces Qt's plugins and QML modules as a whole: none of an older version stays.
    RMDir /r "$INSTDIR\plugins"
    RMDir /r "$INSTDIR\qml"
    ; ...and the profile copies <category>.ovpn that the program extracted from an older version's
    ; bundle, so that the new version's profiles (a service's new CA or keys) take effect at the
    ; next connection. The credentials files and every user's settings and location files stay.
    Delete "$INSTDIR\*.ovpn"
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

    Call ReportOpenVpn
SectionEnd

; Removes the installation: the program's files; what it wrote beside itself (the credentials
; files auth.txt and auth_<user>.txt, the working copies <key>.ovpn of its profiles); and an
; OpenVPN program and DLLs that a user laid beside it by hand. Each user's settings (in their
; registry) and location files (in their application data) stay; so does OpenVPN's own
; installation.
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
