; Installer and uninstaller of the Quenwick Software Solmir screen saver.
;
; Built by installer/CMakeLists.txt as Solmir-setup.exe beside Solmir.scr:
;   makensis -DSOLMIR_SCR=<Solmir.scr> -DSOLMIR_ICON=<solmir.ico> -DSOLMIR_SETUP=<output> solmir.nsi
;
; Installer command line
;   (none)          interactive: welcome, progress, a Yes/No question whether Solmir becomes
;                   the current screen saver, finish
;   /S              silent: no pages and no questions; Solmir does not become the current saver
;   /S /SETSAVER    silent, and Solmir becomes the current screen saver
;   /D=<folder>     another folder for the uninstaller (standard; last, without quotes)
;
; Uninstaller command line
;   (none)                  interactive: asks to confirm the removal, then whether the user's
;                           settings go too (default No). This is how the saver's run-once
;                           entry starts it: "<install_dir>\uninstal.exe", quoted (older savers
;                           wrote it without quotes), no arguments.
;   /S                      silent: removes the product, keeps the user's settings
;   /S /REMOVESETTINGS      silent, and removes the user's settings too
;
; What the installer makes, and the uninstaller removes again
;   <System32>\Solmir.scr                                  the saver, where Windows looks for savers
;   $PROGRAMFILES64\Quenwick\Solmir\uninstal.exe           the uninstaller
;   HKLM\Software\Quenwick\Solmir  "install_dir"           the folder of the uninstaller; the saver
;                                                          schedules "<install_dir>\uninstal.exe"
;   HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Solmir   Add/Remove Programs entry
;   HKCU\Control Panel\Desktop "SCRNSAVE.EXE", "ScreenSaveActive"     when Solmir is made current
;
; What the saver writes, and the uninstaller removes too
;   HKCU\Software\Quenwick\Solmir                          the user's settings, only when asked
;   Software\Microsoft\Windows\CurrentVersion\RunOnce      "kill_saver", "kill_saver1", ...: the
;     in HKLM, or in HKCU when HKLM is closed to the user   removals still waiting, when their
;                                                          command starts this uninstaller

Target amd64-unicode
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef SOLMIR_SCR
    !error "Define SOLMIR_SCR, the built Solmir.scr, on the makensis command line"
!endif
!ifndef SOLMIR_ICON
    !error "Define SOLMIR_ICON, the product icon, on the makensis command line"
!endif
!ifndef SOLMIR_SETUP
    !error "Define SOLMIR_SETUP, the installer to write, on the makensis command line"
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include MUI2.nsh

!define PRODUCT_NAME "Quenwick Software Solmir"
!define PRODUCT_VERSION "1.0.1.1"
!define PUBLISHER "Quenwick Software"
!define SCR_NAME "Solmir.scr"
!define UNINSTALLER_NAME "uninstal.exe"
!define PRODUCT_KEY "Software\Quenwick\Solmir"
!define VENDOR_KEY "Software\Quenwick"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Solmir"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define DESKTOP_KEY "Control Panel\Desktop"
!define REMOVAL_VALUE_PREFIX "kill_saver"

!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_BROADCAST 3 ; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE
!define ERROR_ALREADY_EXISTS 183

Name "${PRODUCT_NAME}"
OutFile "${SOLMIR_SETUP}"
; Fixed, because the saver builds its removal command from it; /D= still overrides.
InstallDir "$PROGRAMFILES64\Quenwick\Solmir"
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${PRODUCT_VERSION}"
VIFileVersion "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Solmir Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "1, 0, 1, 1"
VIAddVersionKey /LANG=1033 "ProductVersion" "1, 0, 1, 1"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

Var RemoveSettings ; uninstaller: 1 when the user's settings go too

; ---------------------------------------------------------------------------------------------
; Pages

!define MUI_ICON "${SOLMIR_ICON}"
!define MUI_UNICON "${SOLMIR_ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install the Solmir screen saver on your computer.$\r$\n$\r$\n\
    Solmir draws spinning textured rings and cylinders with OpenGL. After the installation you \
    can choose it in the screen saver settings of Windows.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

; The uninstaller asks its questions before any page shows (un.onInit), so a run started by
; Windows at log-on can be declined at once.
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------------------------
; Installer

Function .onInit
    ; The saver is 64-bit and reads the 64-bit view of the machine registry.
    SetRegView 64
FunctionEnd

Section "Solmir" SecSolmir
    SectionIn RO
    SetRegView 64

    ; Windows lists screen savers from the 64-bit system folder. This installer is native
    ; 64-bit, so nothing is redirected; turning redirection off keeps it that way should
    ; the stub ever be a 32-bit one.
    ${DisableX64FSRedirection}
    SetOutPath "$SYSDIR"
    File "/oname=${SCR_NAME}" "${SOLMIR_SCR}"
    ${EnableX64FSRedirection}

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER_NAME}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "install_dir" "$INSTDIR"
    Call WriteUninstallEntry
    Call OfferCurrentSaver
SectionEnd

; The Add/Remove Programs entry.
Function WriteUninstallEntry
    WriteRegStr HKLM "${ARP_KEY}" "DisplayName" "${PRODUCT_NAME}"
    WriteRegStr HKLM "${ARP_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
    WriteRegStr HKLM "${ARP_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${ARP_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME},0"
    WriteRegStr HKLM "${ARP_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${ARP_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_NAME}"'
    WriteRegStr HKLM "${ARP_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_NAME}" /S'
    WriteRegDWORD HKLM "${ARP_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${ARP_KEY}" "NoRepair" 1

    ; Size in KB of the two files we placed.
    ${DisableX64FSRedirection}
    ${GetSize} "$SYSDIR" "/M=${SCR_NAME} /S=0K /G=0" $0 $1 $2
    ${EnableX64FSRedirection}
    ${GetSize} "$INSTDIR" "/M=${UNINSTALLER_NAME} /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegDWORD HKLM "${ARP_KEY}" "EstimatedSize" $0
FunctionEnd

; Interactive runs ask; silent runs make Solmir current only when given /SETSAVER.
Function OfferCurrentSaver
    ${If} ${Silent}
        ${GetParameters} $0
        ClearErrors
        ${GetOptions} $0 "/SETSAVER" $1
        ${If} ${Errors}
            Return
        ${EndIf}
    ${Else}
        MessageBox MB_YESNO|MB_ICONQUESTION \
            "Do you want to make Solmir your screen saver now?" IDYES make_current
        Return
    ${EndIf}
make_current:
    DetailPrint "Making Solmir the current screen saver"
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SCR_NAME}"
    ; The running system keeps its own copy of the on/off flag; this updates it and tells
    ; the open windows. The value is written again in case the call only notified.
    System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, \
        i ${SPIF_UPDATE_AND_BROADCAST})'
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
FunctionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller
;
; Started as <install_dir>\uninstal.exe, NSIS copies itself to the temporary folder, starts the
; copy with _?=<install_dir> and exits; the copy runs everything below and can therefore delete
; uninstal.exe and its folder.

Function un.onInit
    SetRegView 64
    StrCpy $RemoveSettings 0

    ; The saver may have scheduled several run-once entries that all start us at the same
    ; log-on; one uninstaller at a time, the others leave quietly.
    System::Call 'kernel32::CreateMutex(p 0, i 0, t "Quenwick.Solmir.Uninstall") p .r0 ?e'
    Pop $1
    ${If} $1 = ${ERROR_ALREADY_EXISTS}
        SetErrorLevel 1
        Quit
    ${EndIf}

    ${If} ${Silent}
        ${GetParameters} $0
        ClearErrors
        ${GetOptions} $0 "/REMOVESETTINGS" $1
        ${IfNot} ${Errors}
            StrCpy $RemoveSettings 1
        ${EndIf}
        Return
    ${EndIf}

    MessageBox MB_YESNO|MB_ICONQUESTION \
        "Do you want to remove ${PRODUCT_NAME} from your computer?" IDYES confirmed
    SetErrorLevel 1
    Quit
confirmed:
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
        "Do you also want to remove your Solmir settings (enabled modules, switching interval \
        and views)?$\r$\n$\r$\nKeep them if you might install Solmir again." IDNO keep_settings
    StrCpy $RemoveSettings 1
keep_settings:
FunctionEnd

Section "Uninstall"
    SetRegView 64
    SetAutoClose true

    Call un.ForgetCurrentSaver
    ; /REBOOTOK: the display settings may be running the saver's preview right now.
    ${DisableX64FSRedirection}
    Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
    ${EnableX64FSRedirection}

    Call un.DeleteScheduledRemovals
    DeleteRegKey HKLM "${ARP_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"

    ${If} $RemoveSettings = 1
        DetailPrint "Removing your Solmir settings"
        DeleteRegKey HKCU "${PRODUCT_KEY}"
        DeleteRegKey /ifempty HKCU "${VENDOR_KEY}"
    ${EndIf}

    Call un.DeleteUninstaller
    RMDir /REBOOTOK "$INSTDIR"
    ; The vendor folder only when it is ours (the default place) and nothing else is in it.
    ${If} "$INSTDIR" == "$PROGRAMFILES64\Quenwick\Solmir"
        RMDir "$PROGRAMFILES64\Quenwick"
    ${EndIf}
SectionEnd

Function un.onUninstSuccess
    ${If} ${RebootFlag}
        MessageBox MB_OK|MB_ICONINFORMATION "${PRODUCT_NAME} was removed from your computer. \
            Some files will be deleted the next time you start Windows." /SD IDOK
    ${Else}
        MessageBox MB_OK|MB_ICONINFORMATION \
            "${PRODUCT_NAME} was removed from your computer." /SD IDOK
    ${EndIf}
FunctionEnd

; Solmir stops being the current screen saver when the setting names it.
Function un.ForgetCurrentSaver
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${GetFileName} $0 $1
    ${If} $1 == "${SCR_NAME}" ; case-insensitive, like file names
        DetailPrint "Solmir is no longer the current screen saver"
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
        System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, \
            i ${SPIF_UPDATE_AND_BROADCAST})'
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
    ${EndIf}
FunctionEnd

; Each press of "Remove Solmir" in the saver's notice adds a run-once entry with the same
; command. Windows runs them all at the next log-on; once this uninstaller is gone the
; others would fail with an error, so the ones still waiting are dropped here. The saver
; writes to the user's own list when the machine's is closed to it, and older savers wrote
; the command without quotes, so both lists and both forms are looked at. Another program's
; entry may share the name; it is only ours when its command starts this uninstaller.
; EnumRegValue takes its root only as a constant, hence a macro rather than a function.
!macro DeleteScheduledRemovalsIn ROOT
    StrCpy $0 0
    ${Do}
        EnumRegValue $1 ${ROOT} "${RUNONCE_KEY}" $0
        ${If} $1 == ""
            ${Break}
        ${EndIf}
        StrCpy $2 $1 10 ; length of "kill_saver"
        ReadRegStr $3 ${ROOT} "${RUNONCE_KEY}" $1
        ; == ignores case, as Windows does for names and paths.
        ${If} $2 == "${REMOVAL_VALUE_PREFIX}"
            ${If} $3 == '"$INSTDIR\${UNINSTALLER_NAME}"'
            ${OrIf} $3 == "$INSTDIR\${UNINSTALLER_NAME}"
                DeleteRegValue ${ROOT} "${RUNONCE_KEY}" $1
                ${Continue} ; the next value has moved down to this index
            ${EndIf}
        ${EndIf}
        IntOp $0 $0 + 1
    ${Loop}
!macroend

Function un.DeleteScheduledRemovals
    !insertmacro DeleteScheduledRemovalsIn HKLM
    !insertmacro DeleteScheduledRemovalsIn HKCU
FunctionEnd

; The uninstal.exe that started this copy exits right after starting it, and a running
; program cannot be deleted: retry for a few seconds, then leave it to the next start.
Function un.DeleteUninstaller
    StrCpy $0 0
    ${Do}
        Delete "$INSTDIR\${UNINSTALLER_NAME}"
        ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER_NAME}"
            ${Break}
        ${EndIf}
        IntOp $0 $0 + 1
        ${If} $0 >= 50
            Delete /REBOOTOK "$INSTDIR\${UNINSTALLER_NAME}"
            ${Break}
        ${EndIf}
        Sleep 100
    ${Loop}
FunctionEnd
