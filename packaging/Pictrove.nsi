; The per-user installer: no administrator rights, everything below the user's own folders and
; HKEY_CURRENT_USER, and an uninstaller that takes away exactly what was put there.
; Built by scripts/package.sh, which defines VERSION, STAGE (the files to install), OUTFILE,
; SETLANGUAGE (the settings helper), ICON and GENERATED (the folder of the generated includes).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Pictrove"
!define PUBLISHER "The Pictrove developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pictrove"
!define APPLICATION_KEY "Software\Classes\Applications\Pictrove.exe"
!define SHORTCUT "$SMPROGRAMS\Pictrove.lnk"
!define USER_SETTINGS_FOLDER "$APPDATA\Pictrove"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pictrove"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 the Pictrove developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; Every language the program speaks is offered, whatever the system's code page.
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Pictrove.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; MUI_LANGUAGE for each language of PictroveResource.xml, and the functions that turn the
; installer's language into the program's language ID and back (the latter for the uninstaller too).
!include "${GENERATED}/languages.nsh"
!insertmacro MUI_RESERVEFILE_LANGDLL

Var LanguageId

; /LANGUAGE=<id> picks the program's language without the language page, for silent installs.
Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/LANGUAGE=" $R1
    ${IfNot} ${Errors}
        StrCpy $0 $R1
        Call InstallerLanguageOfId
        ${If} $1 == ""
            MessageBox MB_ICONSTOP "Unknown language: $R1" /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${Else}
        !insertmacro MUI_LANGDLL_DISPLAY
    ${EndIf}
FunctionEnd

Section "Pictrove"
    SetOutPath "$INSTDIR"
    !include "${GENERATED}/install-files.nsh"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; The language goes where the program will look: the settings file beside it, or the user's
    ; own copy when one exists or the folder cannot take the file. The program's own settings
    ; code writes it, so the file is what the program itself would have made.
    InitPluginsDir
    File "/oname=$PLUGINSDIR\PictroveSetLanguage.exe" "${SETLANGUAGE}"
    Call LanguageIdOfInstaller
    StrCpy $LanguageId $0
    ExecWait '"$PLUGINSDIR\PictroveSetLanguage.exe" "$INSTDIR\PictroveSetting.xml" "${USER_SETTINGS_FOLDER}\PictroveSetting.xml" "$LanguageId"' $1
    ${If} $1 != 0
        DetailPrint "The language could not be written into PictroveSetting.xml ($1)."
        SetErrors
    ${EndIf}

    CreateShortcut "${SHORTCUT}" "$INSTDIR\Pictrove.exe" "" "$INSTDIR\Pictrove.exe" 0

    ; "Open with" only: the program is offered for its formats and never made their default.
    WriteRegStr HKCU "${APPLICATION_KEY}" "FriendlyAppName" "${PRODUCT}"
    WriteRegStr HKCU "${APPLICATION_KEY}\DefaultIcon" "" "$INSTDIR\Pictrove.exe,0"
    WriteRegStr HKCU "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\Pictrove.exe" "%1"'
    !include "${GENERATED}/supported-types.nsh"

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pictrove.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; The uninstaller speaks the language the program was installed in.
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Language" "$LanguageId"
SectionEnd

; Without the recorded language (or with one this uninstaller lacks) it keeps the system's.
Function un.onInit
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "Language"
    ${If} $0 != ""
        Call un.InstallerLanguageOfId
    ${EndIf}
FunctionEnd

; Only what the installer and the program made goes: pictures the user saved into these
; folders stay, and so do the folders that hold them.
Section "Uninstall"
    !include "${GENERATED}/uninstall-files.nsh"
    Delete "$INSTDIR\PictroveSetting.xml"
    Delete "$INSTDIR\PictroveSetting.xml.bad"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$LOCALAPPDATA\Programs"
    Delete "${USER_SETTINGS_FOLDER}\PictroveSetting.xml"
    Delete "${USER_SETTINGS_FOLDER}\PictroveSetting.xml.bad"
    RMDir "${USER_SETTINGS_FOLDER}"
    Delete "${SHORTCUT}"
    DeleteRegKey HKCU "${APPLICATION_KEY}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
