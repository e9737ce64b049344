; SPDX-FileCopyrightText: 2026 Kestrin
; SPDX-License-Identifier: MIT
; What the meter's installer does beyond CPack's: it installs into the folder
; it is given or nowhere; it replaces an install that is there already,
; wherever that is, so that a machine holds one, and upgrades it where it is;
; neither it nor the uninstaller touches an install whose meter is open; and
; the uninstaller removes the folders the install made, as far as they are
; empty, and no others. installer.cmake calls these functions from CPack's
; script, and defines INSTALL_KEY, the registry key in which CPack notes the
; install folder, and PROGRAM, the meter's file in it. They use $R0 to $R3 as
; they please.

!include FileFunc.nsh

; The exit code of an install that did not happen because its folder cannot
; be used.
!define EXIT_FOLDER_UNUSABLE 3
; The exit code of an install or uninstall that did not happen because the
; meter was open in the install it was to replace or remove.
!define EXIT_METER_OPEN 4

; An upgrade goes where the install it replaces is, unless told otherwise.
InstallDirRegKey HKLM "${INSTALL_KEY}" ""

; At the foot of every page, in place of the version of NSIS. (CPack's
; setting for it asks for a trimming that makensis has only on Windows.)
BrandingText "$(^Name) ${VERSION}"

; What Explorer shows in the installer's properties, and Windows in its
; prompt for administrator rights.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 ProductName "Morvanta"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 CompanyName "Kestrin"
VIAddVersionKey /LANG=1033 FileDescription "Morvanta by Kestrin Setup"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright 2026 Kestrin, MIT licence"

; The outermost folder the install made: the install folder, one above it,
; or "" when the install folder was there before.
Var CreatedFolder

; Removes the folder $R0 and those above it up to $R1, the outermost folder
; the install made, as far as they are empty; nothing when $R1 is not $R0 or
; a folder above it.
!macro RemoveCreatedFolders UN
Function ${UN}RemoveCreatedFolders
  StrCmp $R1 "" done
  StrLen $R2 $R1
  StrCpy $R3 $R0 $R2
  StrCmp $R3 $R1 0 done
  StrCpy $R3 $R0 1 $R2
  StrCmp $R3 "" loop
  StrCmp $R3 "\" loop done
  loop:
    IfFileExists "$R0\*.*" 0 parent
    ClearErrors
    RMDir $R0
    IfErrors done
  parent:
    StrCmp $R0 $R1 done
    ${GetParent} $R0 $R0
    StrCmp $R0 "" done loop
  done:
FunctionEnd
!macroend
!insertmacro RemoveCreatedFolders ""
!insertmacro RemoveCreatedFolders "un."

; Stops the install or uninstall before it changes anything while the meter
; in the folder $R0 is open: Windows neither replaces nor removes the files of
; a running program, and an install or uninstall that did part of its work
; would leave files that no uninstaller knows of. Windows refuses to open a
; running program for writing, and so does Wine: that tells. Interactively
; the user may close the meter and retry.
!macro CheckMeterClosed UN
Function ${UN}CheckMeterClosed
  check:
    IfFileExists "$R0\${PROGRAM}" 0 closed
    ClearErrors
    FileOpen $R2 "$R0\${PROGRAM}" a
    IfErrors open
    FileClose $R2
  closed:
    Return
  open:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(^Name) is open. Please close it, then click Retry; or click Cancel to leave it as it is." /SD IDCANCEL IDRETRY check
    SetErrorLevel ${EXIT_METER_OPEN}
    Abort
FunctionEnd
!macroend
!insertmacro CheckMeterClosed ""
!insertmacro CheckMeterClosed "un."

; $R1: the outermost folder the install in $R0 made. Installers that kept
; no note made their folder.
!macro ReadCreatedFolder UN
Function ${UN}ReadCreatedFolder
  ClearErrors
  ReadRegStr $R1 SHCTX "${INSTALL_KEY}" "CreatedFolder"
  IfErrors 0 +2
    StrCpy $R1 $R0
FunctionEnd
!macroend
!insertmacro ReadCreatedFolder ""
!insertmacro ReadCreatedFolder "un."

; $R1: the outermost of $R0 and the folders above it that does not exist,
; "" when $R0 exists.
Function FirstMissingFolder
  StrCpy $R1 ""
  StrCpy $R2 $R0
  loop:
    StrCmp $R2 "" done
    IfFileExists "$R2\*.*" done
    StrCpy $R1 $R2
    ${GetParent} $R2 $R2
    Goto loop
  done:
FunctionEnd

; Sets the error flag when the install folder cannot be made or written to.
; It makes the folder and a file in it to find out, and removes them again.
Function CheckInstallFolder
  StrCpy $R0 $INSTDIR
  Call FirstMissingFolder
  StrCpy $R3 ""
  ClearErrors
  CreateDirectory $INSTDIR
  IfErrors cleanup
  GetTempFileName $R3 $INSTDIR
  IfErrors cleanup
  Delete $R3
  StrCpy $R3 usable
  cleanup:
    Push $R3
    Call RemoveCreatedFolders
    Pop $R3
    ClearErrors
    StrCmp $R3 usable +2
      SetErrors
FunctionEnd

; Run first as the installer starts. The folder after /D= is the one to
; install into; NSIS puts its default folder in its place when the path
; cannot be one (a missing drive, a file in the way), and this puts it back.
; A silent install that cannot use its folder ends here, having done
; nothing; interactively the folder page says why.
Function CheckRequestedFolder
  System::Call 'kernel32::GetCommandLine() t .R0'
  StrCpy $R1 0
  find:
    StrCpy $R2 $R0 4 $R1
    StrCmp $R2 "" check
    StrCmpS $R2 " /D=" found
    IntOp $R1 $R1 + 1
    Goto find
  found:
    IntOp $R1 $R1 + 4
    StrCpy $R0 $R0 "" $R1
  ; Without the backslashes and spaces at its end, which NSIS drops.
  trim:
    StrCpy $R2 $R0 1 -1
    StrCmp $R2 "\" +2
    StrCmp $R2 " " 0 compare
    StrCpy $R0 $R0 -1
    Goto trim
  compare:
    StrCmp $R0 $INSTDIR check
    StrCpy $INSTDIR $R0
    IfSilent unusable done
  check:
    IfSilent 0 done
    Call CheckInstallFolder
    IfErrors unusable done
  unusable:
    SetErrorLevel ${EXIT_FOLDER_UNUSABLE}
    Abort
  done:
FunctionEnd

; The folder page's own check, made when the user leaves the page rather
; than by greying out its Next button without a word.
Function LeaveFolderPage
  GetInstDirError $R0
  IntCmp $R0 1 unusable
  IntCmp $R0 2 no_space
  Call CheckInstallFolder
  IfErrors unusable
  Return
  no_space:
    MessageBox MB_OK|MB_ICONSTOP "There is not enough free space for $(^Name) in $INSTDIR."
    Abort
  unusable:
    MessageBox MB_OK|MB_ICONSTOP "$(^Name) cannot be installed in $INSTDIR: its drive does not exist, or the folder cannot be made or written to. Please choose another folder."
    Abort
FunctionEnd

; Run in the install section before it makes its folder. Removes the install
; there is already, wherever it is, once the meter is closed both there and
; in the folder to install into. Its uninstaller is waited for, so it runs
; where it is (_?=) and cannot remove itself and its folder: this does.
; Then notes the folders this install is about to make.
Function ReplaceInstall
  StrCpy $R0 $INSTDIR
  Call CheckMeterClosed
  ReadRegStr $R0 SHCTX "${INSTALL_KEY}" ""
  StrCmp $R0 "" note
  Call CheckMeterClosed
  Call ReadCreatedFolder
  IfFileExists "$R0\Uninstall.exe" 0 folders
    DetailPrint "Removing $(^Name) from $R0"
    ClearErrors
    ExecWait '"$R0\Uninstall.exe" /S _?=$R0' $R2
    IfErrors not_removed
    StrCmp $R2 0 0 not_removed
    Delete "$R0\Uninstall.exe"
  folders:
    Call RemoveCreatedFolders
  note:
    StrCpy $R0 $INSTDIR
    Call FirstMissingFolder
    WriteRegStr SHCTX "${INSTALL_KEY}" "CreatedFolder" $R1
    Return
  not_removed:
    MessageBox MB_OK|MB_ICONSTOP "$(^Name) in $R0 could not be removed." /SD IDOK
    Abort
FunctionEnd

; Run in the uninstall section before it removes the registry keys.
Function un.NoteCreatedFolder
  StrCpy $R0 $INSTDIR
  Call un.ReadCreatedFolder
  StrCpy $CreatedFolder $R1
FunctionEnd

; In place of the uninstall section's removal of the install folder, which
; would remove it even when the install did not make it.
Function un.RemoveInstallFolder
  StrCpy $R0 $INSTDIR
  StrCpy $R1 $CreatedFolder
  Call un.RemoveCreatedFolders
FunctionEnd
