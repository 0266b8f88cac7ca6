; The Windows installer: the 64-bit and 32-bit Velmora.8bf into the plug-ins
; folders of the hosts, the help page into a folder of its own with the
; registry value the plug-in's Help button reads, and an uninstaller that
; removes exactly what was installed.
;
;   makensis -DVERSION=x.y.z -DSTAGE=folder -DOUTFILE=setup.exe Velmora.nsi
;
; STAGE holds x64/Velmora.8bf, x86/Velmora.8bf, LICENSE.txt, Help/ and
; help-files.nsh (the macros InstallHelpFiles and RemoveHelpFiles, written by
; scripts/package.sh from the files in Help/).
;
; Silent install, for administrators:
;   setup.exe /S [/X64=folder] [/X86=folder] [/D=installation folder]
; /X64 and /X86 name the plug-ins folders that receive the 64-bit and the
; 32-bit Velmora.8bf; naming either installs only the plug-ins named. Without
; them the 64-bit plug-in (the 32-bit one on 32-bit Windows) goes into the
; first host's plug-ins folder found. /D (last, unquoted) is the folder of the
; help page and the uninstaller, by default "Program Files\Velmora". Exit code
; 0: installed; 2: refused (a folder that cannot be written, no plug-ins
; folder, ...), with nothing changed and the reason on standard output when
; that is redirected.
;
; An install first removes an earlier one (any version) with what it recorded.
; The record is written before anything else, so an install stopped part-way
; leaves a record of all it may have put in place, which the next install or
; the uninstaller clears.

; The installer is a 32-bit program, so that it runs on 32-bit Windows too.
; TARGET=amd64-unicode builds the same script for 64-bit Windows only: the
; tests use that where 32-bit Wine runs only under emulation.
!ifdef TARGET
  Target ${TARGET}
!else
  Unicode true
!endif
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | OUTFILE
  !error "VERSION, STAGE and OUTFILE must be defined (see the top of this file)"
!endif

!define PRODUCT "Velmora"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define HELP_KEY "SOFTWARE\TARVIC\MLX Plug-Ins\VLM\10"
!define HELP_VALUE "HelpFile"
; The plug-in reads the value into 254 bytes, its terminating zero included.
!define HELP_VALUE_MAX 253

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include nsDialogs.nsh
!include Sections.nsh
!include "${STAGE}/help-files.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Tarvic"
VIAddVersionKey /LANG=1033 "LegalCopyright" "the Velmora developers"

Var X64Dir      ; plug-ins folder of the 64-bit Velmora.8bf
Var X86Dir      ; plug-ins folder of the 32-bit Velmora.8bf
Var FoundX64    ; plug-ins folders of the 64-bit hosts found, each followed by "|"
Var FoundX86    ; the same for 32-bit hosts
Var FolderBox   ; the folder field of the plug-ins folder page shown

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE ComponentsLeave
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "The help page and the uninstaller go into this folder. The plug-ins go into the plug-ins folders of your hosts, chosen next."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom PluginPageX64 PluginPageX64Leave
Page custom PluginPageX86 PluginPageX86Leave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The uninstall record lives in the registry view of the system's own width.
!macro NativeRegView
  ${If} ${RunningX64}
    SetRegView 64
  ${Else}
    SetRegView 32
  ${EndIf}
!macroend

; ---------------------------------------------------------------------------
; Functions shared by the installer and the uninstaller.

!macro SharedFunctions UN

; Removes the folder $R0 and its parents up to $R1 (the outermost one the
; install created), each only when empty. $R1 "": nothing was created.
Function ${UN}RemoveCreated
  Push $R2
  ${If} $R1 != ""
    StrCpy $R2 $R0
    ${Do}
      RMDir $R2
      ${If} $R2 == $R1
        ${Break}
      ${EndIf}
      ${GetParent} $R2 $R2
    ${LoopUntil} $R2 == ""
  ${EndIf}
  Pop $R2
FunctionEnd

; Removes the help value from the current registry view, and the keys above
; it from the deepest up to $R1 (the outermost one the install created), each
; only when it holds nothing else.
Function ${UN}RemoveHelpValue
  Push $R2
  DeleteRegValue HKLM "${HELP_KEY}" "${HELP_VALUE}"
  ${If} $R1 != ""
    StrCpy $R2 "${HELP_KEY}"
    ${Do}
      DeleteRegKey /ifnosubkeys /ifnovalues HKLM $R2
      ${If} $R2 == $R1
        ${Break}
      ${EndIf}
      ${GetParent} $R2 $R2
    ${LoopUntil} $R2 == ""
  ${EndIf}
  Pop $R2
FunctionEnd

; Removes everything the uninstall record names, then the record itself.
; Safe on a partial install: whatever is missing is skipped.
Function ${UN}RemoveRecorded
  !insertmacro NativeRegView
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "PluginFolderX64"
  ${If} $R0 != ""
    Delete "$R0\Velmora.8bf"
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "CreatedFolderX64"
    Call ${UN}RemoveCreated
  ${EndIf}
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "PluginFolderX86"
  ${If} $R0 != ""
    Delete "$R0\Velmora.8bf"
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "CreatedFolderX86"
    Call ${UN}RemoveCreated
  ${EndIf}
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "HelpValueX64"
  ${If} $R0 == "1"
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "CreatedHelpKeyX64"
    SetRegView 64
    Call ${UN}RemoveHelpValue
    !insertmacro NativeRegView
  ${EndIf}
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "HelpValueX86"
  ${If} $R0 == "1"
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "CreatedHelpKeyX86"
    SetRegView 32
    Call ${UN}RemoveHelpValue
    !insertmacro NativeRegView
  ${EndIf}
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $R0 != ""
    !insertmacro RemoveHelpFiles "$R0\Help"
    RMDir "$R0\Help"
    Delete "$R0\LICENSE.txt"
    Delete "$R0\Uninstall.exe"
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "CreatedInstallFolder"
    Call ${UN}RemoveCreated
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"
FunctionEnd

!macroend

!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; The path on the stack without its trailing backslashes:
;   Push path / Call TrimSlash / Pop path
Function TrimSlash
  Exch $0
  Push $1
  ${Do}
    StrCpy $1 $0 1 -1
    ${If} $1 != "\"
    ${AndIf} $1 != "/"
      ${Break}
    ${EndIf}
    StrCpy $0 $0 -1
  ${Loop}
  Pop $1
  Exch $0
FunctionEnd

; $R1 = the outermost folder of the path $R0 that does not exist yet ("" when
; $R0 exists): what creating $R0 would create.
Function OutermostMissing
  Push $R2
  StrCpy $R1 ""
  StrCpy $R2 $R0
  ${DoWhile} $R2 != ""
    ${If} ${FileExists} "$R2\*.*"
      ${Break}
    ${EndIf}
    StrCpy $R1 $R2
    ${GetParent} $R2 $R2
  ${Loop}
  Pop $R2
FunctionEnd

; ---------------------------------------------------------------------------
; Sections. The two plug-in sections are the components the user picks; the
; work is done in order by the hidden sections around them.

Section "-Remove an earlier installation"
  !insertmacro NativeRegView
  ReadRegStr $R3 HKLM "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $R4 HKLM "${UNINST_KEY}" "CreatedInstallFolder"
  ${If} $R3 != ""
  ${AndIf} ${FileExists} "$R3\Uninstall.exe"
    DetailPrint "Removing the installed version from $R3"
    ; _? runs the uninstaller in place and waits for it; it cannot delete
    ; itself then, so that is done here.
    ExecWait '"$R3\Uninstall.exe" /S _?=$R3'
    Delete "$R3\Uninstall.exe"
  ${EndIf}
  ; Whatever is still recorded: an uninstaller that was missing or failed, or
  ; an install that was stopped part-way.
  Call RemoveRecorded
  ${If} $R3 != ""
    StrCpy $R0 $R3
    StrCpy $R1 $R4
    Call RemoveCreated
  ${EndIf}
SectionEnd

Section "Velmora for 64-bit hosts" SecX64
SectionEnd

Section /o "Velmora for 32-bit hosts" SecX86
SectionEnd

Section "-Install"
  ; 1. The record of everything this install may put in place.
  !insertmacro NativeRegView
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Tarvic"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  StrCpy $R0 $INSTDIR
  Call OutermostMissing
  WriteRegStr HKLM "${UNINST_KEY}" "CreatedInstallFolder" $R1
  ${If} ${SectionIsSelected} ${SecX64}
    StrCpy $R0 $X64Dir
    Call OutermostMissing
    WriteRegStr HKLM "${UNINST_KEY}" "PluginFolderX64" $X64Dir
    WriteRegStr HKLM "${UNINST_KEY}" "CreatedFolderX64" $R1
    SetRegView 64
    Call OutermostMissingKey
    !insertmacro NativeRegView
    WriteRegStr HKLM "${UNINST_KEY}" "HelpValueX64" "1"
    WriteRegStr HKLM "${UNINST_KEY}" "CreatedHelpKeyX64" $R1
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecX86}
    StrCpy $R0 $X86Dir
    Call OutermostMissing
    WriteRegStr HKLM "${UNINST_KEY}" "PluginFolderX86" $X86Dir
    WriteRegStr HKLM "${UNINST_KEY}" "CreatedFolderX86" $R1
    SetRegView 32
    Call OutermostMissingKey
    !insertmacro NativeRegView
    WriteRegStr HKLM "${UNINST_KEY}" "HelpValueX86" "1"
    WriteRegStr HKLM "${UNINST_KEY}" "CreatedHelpKeyX86" $R1
  ${EndIf}

  ; 2. The installation folder: uninstaller, licence, help page.
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  File "${STAGE}/LICENSE.txt"
  SetOutPath "$INSTDIR\Help"
  !insertmacro InstallHelpFiles

  ; 3. The plug-ins, each with the help value in the registry view it reads.
  ${If} ${SectionIsSelected} ${SecX64}
    SetOutPath $X64Dir
    File "${STAGE}/x64/Velmora.8bf"
    SetRegView 64
    WriteRegStr HKLM "${HELP_KEY}" "${HELP_VALUE}" "$INSTDIR\Help\"
    !insertmacro NativeRegView
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecX86}
    SetOutPath $X86Dir
    File "${STAGE}/x86/Velmora.8bf"
    SetRegView 32
    WriteRegStr HKLM "${HELP_KEY}" "${HELP_VALUE}" "$INSTDIR\Help\"
    !insertmacro NativeRegView
  ${EndIf}
  ; Leaves no plug-ins folder as this process's current folder.
  SetOutPath $INSTDIR
SectionEnd

Section "Uninstall"
  Call un.RemoveRecorded
SectionEnd

; ---------------------------------------------------------------------------
; Finding the hosts.

; Appends to $R0 the plug-ins folders of the hosts registered in the current
; registry view: every Photoshop version (its PluginPath, else the Plug-ins
; folder of its ApplicationPath; the newest version first) and Paint.NET's
; Effects folder, where its 8bf adapter finds filters. Only existing folders.
Function FindHosts
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  StrCpy $R1 0      ; key index
  StrCpy $R5 -1     ; newest version so far
  ${Do}
    ClearErrors
    EnumRegKey $R2 HKLM "SOFTWARE\Adobe\Photoshop" $R1
    ${If} ${Errors}
    ${OrIf} $R2 == ""
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
    ReadRegStr $R3 HKLM "SOFTWARE\Adobe\Photoshop\$R2" "PluginPath"
    ${If} $R3 == ""
      ReadRegStr $R3 HKLM "SOFTWARE\Adobe\Photoshop\$R2" "ApplicationPath"
      ${If} $R3 == ""
        ${Continue}
      ${EndIf}
      Push $R3
      Call TrimSlash
      Pop $R3
      StrCpy $R3 "$R3\Plug-ins"
    ${EndIf}
    Push $R3
    Call TrimSlash
    Pop $R3
    ${IfNot} ${FileExists} "$R3\*.*"
      ${Continue}
    ${EndIf}
    IntOp $R4 $R2 + 0  ; "180.0" -> 180
    ${If} $R4 > $R5
      StrCpy $R5 $R4
      StrCpy $R0 "$R3|$R0"
    ${Else}
      StrCpy $R0 "$R0$R3|"
    ${EndIf}
  ${Loop}
  ReadRegStr $R3 HKLM "SOFTWARE\paint.net" "TARGETDIR"
  ${If} $R3 != ""
    Push $R3
    Call TrimSlash
    Pop $R3
    ${If} ${FileExists} "$R3\Effects\*.*"
      StrCpy $R0 "$R0$R3\Effects|"
    ${EndIf}
  ${EndIf}
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
FunctionEnd

; $R0 = the first folder of the list $R0 ("" when empty).
Function FirstFolder
  Push $R1
  Push $R2
  StrCpy $R1 0
  ${Do}
    StrCpy $R2 $R0 1 $R1
    ${If} $R2 == "|"
    ${OrIf} $R2 == ""
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
  StrCpy $R0 $R0 $R1
  Pop $R2
  Pop $R1
FunctionEnd

; ---------------------------------------------------------------------------
; Checking the choices before anything is changed.

; $R9 = "" when the folder $R0 is a full path that can be created and written,
; else the message saying why not. Leaves the disk as it found it.
Function CheckFolder
  Push $R1
  Push $R2
  StrCpy $R9 ""
  StrCpy $R1 $R0 1 1
  StrCpy $R2 $R0 2
  ${If} $R1 != ":"
  ${AndIf} $R2 != "\\"
    StrCpy $R9 '"$R0" is not a full folder path (such as C:\Program Files\...).'
  ${Else}
    Call OutermostMissing
    ClearErrors
    CreateDirectory $R0
    ${If} ${Errors}
      StrCpy $R9 'Velmora cannot create the folder "$R0". Choose another folder.'
    ${Else}
      ClearErrors
      FileOpen $R2 "$R0\velmora-write-check.tmp" w
      ${If} ${Errors}
        StrCpy $R9 'Velmora cannot write to the folder "$R0". Choose another folder, or run the installer as an administrator.'
      ${Else}
        FileClose $R2
        Delete "$R0\velmora-write-check.tmp"
      ${EndIf}
      Call RemoveCreated
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
FunctionEnd

; $R9 = "" when the installation folder can be used, else why not.
Function CheckInstallFolder
  Push $R0
  Push $INSTDIR
  Call TrimSlash
  Pop $INSTDIR
  StrCpy $R0 $INSTDIR
  StrLen $R9 "$INSTDIR\Help\"
  ${If} $R9 > ${HELP_VALUE_MAX}
    StrCpy $R9 "The folder name is too long for the plug-in's Help button: at most ${HELP_VALUE_MAX} characters with \Help\ added."
  ${Else}
    Call CheckFolder
  ${EndIf}
  Pop $R0
FunctionEnd

; $R9 = "" when the plug-ins folders chosen for the selected plug-ins can be used.
Function CheckPluginFolders
  Push $R0
  StrCpy $R9 ""
  ${If} ${SectionIsSelected} ${SecX64}
    Push $X64Dir
    Call TrimSlash
    Pop $X64Dir
    StrCpy $R0 $X64Dir
    ${If} $X64Dir == ""
      StrCpy $R9 "Choose the plug-ins folder for the 64-bit Velmora.8bf."
    ${Else}
      Call CheckFolder
    ${EndIf}
  ${EndIf}
  ${If} $R9 == ""
  ${AndIf} ${SectionIsSelected} ${SecX86}
    Push $X86Dir
    Call TrimSlash
    Pop $X86Dir
    StrCpy $R0 $X86Dir
    ${If} $X86Dir == ""
      StrCpy $R9 "Choose the plug-ins folder for the 32-bit Velmora.8bf."
    ${Else}
      Call CheckFolder
    ${EndIf}
  ${EndIf}
  ${If} $R9 == ""
  ${AndIf} ${SectionIsSelected} ${SecX64}
  ${AndIf} ${SectionIsSelected} ${SecX86}
  ${AndIf} $X64Dir == $X86Dir
    StrCpy $R9 "The 64-bit and the 32-bit plug-in need different folders: both files are named Velmora.8bf."
  ${EndIf}
  Pop $R0
FunctionEnd

; $R1 = the outermost key above the help value that does not exist yet in the
; current registry view ("" when all do): what writing the value creates.
Function OutermostMissingKey
  Push $R2
  Push $R3
  StrCpy $R1 ""
  StrCpy $R2 "${HELP_KEY}"
  ${Do}
    ClearErrors
    EnumRegKey $R3 HKLM $R2 0
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    StrCpy $R1 $R2
    ${GetParent} $R2 $R2
  ${LoopUntil} $R2 == "SOFTWARE"
  Pop $R3
  Pop $R2
FunctionEnd

; ---------------------------------------------------------------------------
; Start-up: the components this system can use, the hosts found, the command
; line; a silent install checks everything here.

Function .onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $R0 ""
    Call FindHosts
    StrCpy $FoundX64 $R0
  ${Else}
    ; No 64-bit plug-in on 32-bit Windows; the 32-bit one is then the plug-in.
    SectionSetText ${SecX64} ""
    !insertmacro UnselectSection ${SecX64}
    !insertmacro SetSectionFlag ${SecX64} ${SF_RO}
    !insertmacro SelectSection ${SecX86}
    !insertmacro SetSectionFlag ${SecX86} ${SF_RO}
  ${EndIf}
  SetRegView 32
  StrCpy $R0 ""
  Call FindHosts
  StrCpy $FoundX86 $R0
  !insertmacro NativeRegView

  StrCpy $R9 ""
  ${GetParameters} $R8
  ClearErrors
  ${GetOptions} $R8 "/X64=" $R6
  StrCpy $R5 0
  ${IfNot} ${Errors}
    StrCpy $R5 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R8 "/X86=" $R7
  StrCpy $R4 0
  ${IfNot} ${Errors}
    StrCpy $R4 1
  ${EndIf}
  ${If} $R5 = 1
  ${OrIf} $R4 = 1
    ${If} $R5 = 1
    ${AndIfNot} ${RunningX64}
      StrCpy $R9 "The 64-bit plug-in needs 64-bit Windows."
    ${EndIf}
    ${If} $R5 = 1
      !insertmacro SelectSection ${SecX64}
      StrCpy $X64Dir $R6
    ${Else}
      !insertmacro UnselectSection ${SecX64}
    ${EndIf}
    ${If} $R4 = 1
      !insertmacro SelectSection ${SecX86}
      StrCpy $X86Dir $R7
    ${Else}
      !insertmacro UnselectSection ${SecX86}
    ${EndIf}
  ${EndIf}
  ${If} $X64Dir == ""
    StrCpy $R0 $FoundX64
    Call FirstFolder
    StrCpy $X64Dir $R0
  ${EndIf}
  ${If} $X86Dir == ""
    StrCpy $R0 $FoundX86
    Call FirstFolder
    StrCpy $X86Dir $R0
  ${EndIf}

  ${If} ${Silent}
    ${If} $R9 == ""
      Call CheckInstallFolder
    ${EndIf}
    ${If} $R9 == ""
      Call CheckPluginFolders
    ${EndIf}
    ${If} $R9 != ""
      ; The reason goes to standard output, when there is one (redirected).
      System::Call 'kernel32::GetStdHandle(i -11) p .r0'
      ${If} $0 P<> 0
      ${AndIf} $0 P<> -1
        FileWrite $0 "Velmora setup: $R9$\r$\n"
      ${EndIf}
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${ElseIf} $R9 != ""
    MessageBox MB_OK|MB_ICONSTOP $R9
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

; ---------------------------------------------------------------------------
; Pages.

Function ComponentsLeave
  ${IfNot} ${SectionIsSelected} ${SecX64}
  ${AndIfNot} ${SectionIsSelected} ${SecX86}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Choose at least one of the plug-ins." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckInstallFolder
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION $R9 /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

; The plug-ins folder page of one plug-in: the folders of the hosts found, or
; any other folder typed or picked with Browse.
!macro PluginFolderPage ARCH BITS SEC DIR FOUND
Function PluginPage${ARCH}
  ${IfNot} ${SectionIsSelected} ${SEC}
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Plug-ins folder for ${BITS}-bit hosts" \
      "Choose the folder that receives the ${BITS}-bit Velmora.8bf."
  nsDialogs::Create 1018
  Pop $R0
  ${If} ${FOUND} == ""
    StrCpy $R1 "No ${BITS}-bit host was found on this computer. Type or browse to the plug-ins folder of your host."
  ${Else}
    StrCpy $R1 "Velmora.8bf goes into the plug-ins folder of your host. The list holds those of the ${BITS}-bit hosts found on this computer; you can also type or browse to another folder."
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 36u $R1
  Pop $R0
  ${NSD_CreateComboBox} 0 42u 78% 12u ""
  Pop $FolderBox
  StrCpy $R2 ${FOUND}
  ${Do}
    StrCpy $R0 $R2
    Call FirstFolder
    ${If} $R0 == ""
      ${Break}
    ${EndIf}
    ${NSD_CB_AddString} $FolderBox $R0
    StrLen $R3 $R0
    IntOp $R3 $R3 + 1
    StrCpy $R2 $R2 "" $R3
  ${Loop}
  ${NSD_SetText} $FolderBox ${DIR}
  ${NSD_CreateBrowseButton} 80% 41u 20% 14u "Browse..."
  Pop $R0
  ${NSD_OnClick} $R0 BrowseFolder
  nsDialogs::Show
FunctionEnd

Function PluginPage${ARCH}Leave
  ${NSD_GetText} $FolderBox ${DIR}
  Call CheckPluginFolders
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION $R9 /SD IDOK
    Abort
  ${EndIf}
FunctionEnd
!macroend

!insertmacro PluginFolderPage X64 64 ${SecX64} $X64Dir $FoundX64
!insertmacro PluginFolderPage X86 32 ${SecX86} $X86Dir $FoundX86

Function BrowseFolder
  Pop $R0
  ${NSD_GetText} $FolderBox $R1
  nsDialogs::SelectFolderDialog "Choose the plug-ins folder of your host" $R1
  Pop $R1
  ${If} $R1 != "error"
    ${NSD_SetText} $FolderBox $R1
  ${EndIf}
FunctionEnd
