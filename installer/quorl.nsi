; Quorl's installer for 64-bit Windows. The program and the 64-bit codec go
; into the program folder, the 32-bit codec into a subfolder for 32-bit
; editors; each codec is registered in the registry view of its own bitness,
; because an editor only finds a codec of its own bitness.
;
; Built by CMake (target "installer"):
;   makensis -DVERSION=1.0.0.2 -DBIN64=<64-bit bin folder> -DBIN32=<32-bit bin folder>
;            -DREGISTRY_NAMES=<RegistryNames.nsh> -DOUTFILE=<setup.exe> quorl.nsi
;
; Exit codes, also with /S: 0 done, 1 cancelled, 2 failed. The uninstaller
; copies itself away and returns at once; "uninstall.exe /S _?=<folder>" runs it
; in place and returns its exit code, but then leaves uninstall.exe and the
; folder behind.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include "${REGISTRY_NAMES}"

!define PUBLISHER "The Quorl developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorl"
!define SETTINGS_KEY "Software\ORV software\Quorl"
!define FOLDER_32BIT "x86"
!define SHORTCUT "$SMPROGRAMS\Quorl.lnk"
!define EXIT_FAILED 2
; Explorer's context-menu verb for the types Quorl links. Verbs under
; SystemFileAssociations join whatever program a type is associated with,
; instead of taking the type over.
!define FILE_TYPES_KEY "Software\Classes\SystemFileAssociations"
!define VERB_KEY "QuorlMakeLink"
!define VERB_TEXT "Make Quorl link"

Name "Quorl ${VERSION}"
Caption "Quorl ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Quorl"
; A new version goes where the last one is, so it replaces its files.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "Quorl"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Quorl setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

UninstallText "This removes Quorl and its codec (both bitnesses) from the folder below.$\r$\nYour settings under HKEY_CURRENT_USER\${SETTINGS_KEY} are kept: they are small, and a new installation uses them again."

Var failures

; NSIS drops a /D= folder it cannot use and quietly installs into the default
; one instead: a silent caller would never learn that its folder was not used.
Function .onInit
  ; NSIS cuts /D= off its own copy of the command line, not off the system's.
  System::Call 'kernel32::GetCommandLineW() t .r0'
  ClearErrors
  ${WordFind} "$0" " /D=" "E+1}" $1
  ${IfNot} ${Errors}
    ; NSIS also drops a trailing backslash.
    StrCpy $2 $1 "" -1
    ${If} $2 == "\"
      StrCpy $1 $1 -1
    ${EndIf}
    ${If} $1 != $INSTDIR
      SetErrorLevel ${EXIT_FAILED}
      MessageBox MB_OK|MB_ICONSTOP "Cannot install into $1: give the full path of a folder that can be created, such as $PROGRAMFILES64\Quorl." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

; Ends the installation with a message (skipped with /S) and the failure exit code.
!macro Fail text
  DetailPrint "${text}"
  SetErrorLevel ${EXIT_FAILED}
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  Abort "${text}"
!macroend

!macro FailOnErrors text
  ${If} ${Errors}
    !insertmacro Fail "${text}"
  ${EndIf}
!macroend

!macro InstallFile source target
  ClearErrors
  File "/oname=${target}" "${source}"
  !insertmacro FailOnErrors "Could not write ${target}. Close the programs that use Quorl or its codec (video editors) and run the setup again."
!macroend

; The same registration the codec's DllRegisterServer performs: both driver
; values name the DLL by its full path, and the ACM's cached format tags of an
; earlier registration are dropped, or msacm32 would skip the driver. The
; driver loader reads a value only up to its first blank (the rest are
; arguments), so a folder like "Program Files" is named by its short form.
!macro RegisterCodec view dll
  SetRegView ${view}
  ClearErrors
  GetFullPathName /SHORT $R0 "${dll}"
  ${If} $R0 == ""
    !insertmacro Fail "Could not find the short name of ${dll}."
  ${EndIf}
  ${WordFind} "$R0" " " "E*" $R1
  ${IfNot} ${Errors}
    !insertmacro Fail "${dll} has no name without blanks, which the system needs to load a codec. Install into a folder whose path has no blanks."
  ${EndIf}
  ClearErrors
  WriteRegStr HKLM "${DRIVERS32_KEY}" "${VIDEO_DRIVER_VALUE}" "$R0"
  WriteRegStr HKLM "${DRIVERS32_KEY}" "${AUDIO_DRIVER_VALUE}" "$R0"
  !insertmacro FailOnErrors "Could not register ${dll} as a codec in the ${view}-bit registry."
  DeleteRegKey HKLM "${ACM_CACHE_KEY}"
  ClearErrors
!macroend

!macro RegisterVerb type
  WriteRegStr HKLM "${FILE_TYPES_KEY}\${type}\shell\${VERB_KEY}" "" "${VERB_TEXT}"
  WriteRegStr HKLM "${FILE_TYPES_KEY}\${type}\shell\${VERB_KEY}" "Icon" "$INSTDIR\quorl.exe,0"
  WriteRegStr HKLM "${FILE_TYPES_KEY}\${type}\shell\${VERB_KEY}\command" "" '"$INSTDIR\quorl.exe" "%1"'
!macroend

Section "Quorl"
  SetShellVarContext all
  SetRegView 64
  ClearErrors
  SetOutPath "$INSTDIR\${FOLDER_32BIT}"
  !insertmacro FailOnErrors "Could not create the folder $INSTDIR."
  SetOutPath "$INSTDIR"
  !insertmacro InstallFile "${BIN64}/quorl.exe" "$INSTDIR\quorl.exe"
  !insertmacro InstallFile "${BIN64}/avishim.dll" "$INSTDIR\avishim.dll"
  !insertmacro InstallFile "${BIN32}/avishim.dll" "$INSTDIR\${FOLDER_32BIT}\avishim.dll"

  ; The uninstaller and its list entry come before the registration, so that
  ; whatever a failure leaves behind can still be removed.
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !insertmacro FailOnErrors "Could not write $INSTDIR\uninstall.exe."
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quorl"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorl.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro FailOnErrors "Could not add Quorl to the list of installed programs."

  !insertmacro RegisterCodec 64 "$INSTDIR\avishim.dll"
  !insertmacro RegisterCodec 32 "$INSTDIR\${FOLDER_32BIT}\avishim.dll"
  ; Explorer, a 64-bit program, reads its verbs in the 64-bit view.
  SetRegView 64

  ClearErrors
  !insertmacro RegisterVerb ".avs"
  !insertmacro RegisterVerb ".vdr"
  !insertmacro RegisterVerb ".avi"
  !insertmacro FailOnErrors "Could not add the command ${VERB_TEXT} to Explorer."

  ClearErrors
  CreateShortCut "${SHORTCUT}" "$INSTDIR\quorl.exe"
  !insertmacro FailOnErrors "Could not create the Start-menu entry ${SHORTCUT}."
SectionEnd

; Counts a failed step of the uninstaller, which goes on with the others.
!macro CountFailure text
  ${If} ${Errors}
    DetailPrint "${text}"
    IntOp $failures $failures + 1
  ${EndIf}
  ClearErrors
!macroend

; A driver value is only removed while it still names this installation's
; DLL (by its short or its long name): a codec registered from elsewhere since
; then stays working.
!macro UnregisterCodecValue value dll
  GetFullPathName /SHORT $R0 "${dll}"
  ReadRegStr $0 HKLM "${DRIVERS32_KEY}" "${value}"
  ClearErrors
  ${If} $0 == ""
    ; Nothing registered under this name.
  ${ElseIf} $0 == "${dll}"
  ${OrIf} $0 == $R0
    DeleteRegValue HKLM "${DRIVERS32_KEY}" "${value}"
    !insertmacro CountFailure "Could not remove the codec value ${value}."
  ${Else}
    DetailPrint "Kept ${value}: it names $0, not ${dll}."
  ${EndIf}
!macroend

!macro UnregisterCodec view dll
  SetRegView ${view}
  !insertmacro UnregisterCodecValue "${VIDEO_DRIVER_VALUE}" "${dll}"
  !insertmacro UnregisterCodecValue "${AUDIO_DRIVER_VALUE}" "${dll}"
  DeleteRegKey HKLM "${ACM_CACHE_KEY}"
  ClearErrors
!macroend

; Only this verb goes; the keys above it only when nothing else is left in
; them, so other programs' verbs and settings for the type stay.
!macro UnregisterVerb type
  ; A second run finds it gone already: nothing to remove is no failure.
  ClearErrors
  EnumRegKey $0 HKLM "${FILE_TYPES_KEY}\${type}\shell\${VERB_KEY}" 0
  ${IfNot} ${Errors}
    DeleteRegKey HKLM "${FILE_TYPES_KEY}\${type}\shell\${VERB_KEY}"
    !insertmacro CountFailure "Could not remove the command ${VERB_TEXT} for ${type} files."
  ${EndIf}
  DeleteRegKey /ifempty HKLM "${FILE_TYPES_KEY}\${type}\shell"
  DeleteRegKey /ifempty HKLM "${FILE_TYPES_KEY}\${type}"
  ClearErrors
!macroend

!macro RemoveFile path
  Delete "${path}"
  !insertmacro CountFailure "Could not remove ${path}: close the programs that use it and uninstall again."
!macroend

Section "Uninstall"
  SetShellVarContext all
  StrCpy $failures 0
  ClearErrors
  !insertmacro UnregisterCodec 64 "$INSTDIR\avishim.dll"
  !insertmacro UnregisterCodec 32 "$INSTDIR\${FOLDER_32BIT}\avishim.dll"
  SetRegView 64
  !insertmacro UnregisterVerb ".avs"
  !insertmacro UnregisterVerb ".vdr"
  !insertmacro UnregisterVerb ".avi"

  !insertmacro RemoveFile "${SHORTCUT}"
  !insertmacro RemoveFile "$INSTDIR\quorl.exe"
  !insertmacro RemoveFile "$INSTDIR\avishim.dll"
  !insertmacro RemoveFile "$INSTDIR\${FOLDER_32BIT}\avishim.dll"

  ${If} $failures != 0
    ; Whatever is left can then be removed by running the uninstaller again.
    DetailPrint "Kept the uninstaller and its entry in the list of installed programs: close the programs that use Quorl or its codec, then uninstall again."
  ${Else}
    ; Run in place (_?=) the uninstaller cannot remove itself, nor its folder.
    ${If} $EXEPATH == "$INSTDIR\uninstall.exe"
      DetailPrint "Kept $INSTDIR\uninstall.exe: it is running; delete it and the folder by hand."
    ${Else}
      !insertmacro RemoveFile "$INSTDIR\uninstall.exe"
    ${EndIf}
    ; Only empty folders go: anything a user put there stays.
    RMDir "$INSTDIR\${FOLDER_32BIT}"
    RMDir "$INSTDIR"
    ClearErrors
    ${If} ${FileExists} "$INSTDIR\*.*"
      DetailPrint "Kept $INSTDIR: it holds files that Quorl did not install."
    ${EndIf}
    ; A second run finds the entry gone already: nothing to remove is no failure.
    ClearErrors
    EnumRegKey $0 HKLM "${UNINSTALL_KEY}" 0
    ${IfNot} ${Errors}
      DeleteRegKey HKLM "${UNINSTALL_KEY}"
      !insertmacro CountFailure "Could not remove Quorl from the list of installed programs."
    ${EndIf}
    ClearErrors
  ${EndIf}

  DetailPrint "Your settings under HKEY_CURRENT_USER\${SETTINGS_KEY} are kept: they are small, and a new installation uses them again."
  ${If} $failures != 0
    SetErrorLevel ${EXIT_FAILED}
    MessageBox MB_OK|MB_ICONSTOP "Quorl could not be removed completely; the details list what is left." /SD IDOK
  ${EndIf}
SectionEnd
