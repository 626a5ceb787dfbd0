#!/usr/bin/env bash
# Makes the Windows installer from the folder the zip is packed from.
# Usage: packaging/windows/makemsi.sh STAGE VERSION OUT.msi
#
# The installer is per user and needs no administrator: the programs go to
# %LOCALAPPDATA%\Programs\Pravelot, the Start menu gets "Pravelot", Explorer's "送る" (Send
# to) menu gets pravelot.exe, and "Open with" offers it for .jws and .jwk files beside the
# CAD program, whose own association stays as it is. Uninstalling removes every file,
# folder, shortcut and registry value it made.
#
# Every text inside the installer is ASCII: wixl (libmsi) crashes on any Japanese text in
# the database, whatever its code page. Explorer names the program in "Open with" by the
# description in its version resource, which is Japanese.
set -euo pipefail
stage="$(realpath "$1")" version="$2" out="$(realpath -m "$3")"
here="$(cd "$(dirname "$0")" && pwd)"
wxs="${out%.msi}.wxs"

# Stable identifiers: the upgrade code never changes, so that a later version replaces
# this one; every other GUID is derived from what it names, so that two builds agree.
upgrade_code="5C0B6A2E-8D7E-4F4B-9A43-2B1E6E7C1A10"
guid() { uuidgen --sha1 --namespace "$upgrade_code" --name "$1" | tr 'a-z' 'A-Z'; }
# MSI identifiers: letters, digits, '_' and '.', at most 72 characters.
ident() { printf '%s_%s' "$1" "$(printf '%s' "$2" | sha1sum | cut -c1-16)"; }
xml() { sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g; s/"/\&quot;/g' <<<"$1"; }
# Each folder's components are marked by a value under this key: a per-user component's
# key path is a registry value, as Windows Installer wants.
regkey='Software\Pravelot\Installed'

# One component a folder: its files, its registry key path and the removal of the folder
# itself when it is left empty.
folder() {
    local rel="$1" dir="$2" id
    id="$(ident C "$rel")"
    echo "<Component Id=\"$id\" Guid=\"$(guid "component:$rel")\">"
    echo "  <RegistryValue Root=\"HKCU\" Key=\"$regkey\" Name=\"$(xml "${rel:-.}")\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>"
    echo "  <RemoveFolder Id=\"$(ident R "$rel")\" On=\"uninstall\"/>"
    local f
    while IFS= read -r -d '' f; do
        local name="${f##*/}"
        echo "  <File Id=\"$(ident F "$rel/$name")\" Name=\"$(xml "$name")\" Source=\"$(xml "${f#"$stage"/}")\"/>"
    done < <(find "$dir" -maxdepth 1 -type f -print0 | LC_ALL=C sort -z)
    echo "</Component>"
}

# The folder tree below the installation folder, each folder with its component.
tree() {
    local rel="$1" dir="$2" sub
    folder "$rel" "$dir"
    while IFS= read -r -d '' sub; do
        local name="${sub##*/}"
        echo "<Directory Id=\"$(ident D "$rel/$name")\" Name=\"$(xml "$name")\">"
        tree "$rel/$name" "$sub"
        echo "</Directory>"
    done < <(find "$dir" -mindepth 1 -maxdepth 1 -type d -print0 | LC_ALL=C sort -z)
}

components() {
    find "$stage" -type d -print0 | LC_ALL=C sort -z | while IFS= read -r -d '' d; do
        local rel="${d#"$stage"}"
        echo "<ComponentRef Id=\"$(ident C "$rel")\"/>"
    done
}

# "Open with" for one extension: the program's class is listed among those the extension
# opens with; the extension's own default (the CAD program's) is never touched.
openWith() {
    cat <<EOF
  <RegistryValue Root="HKCU" Key="Software\\Classes\\.$1\\OpenWithProgids" Name="Pravelot.Figure" Type="string" Value=""/>
  <RegistryValue Root="HKCU" Key="Software\\Classes\\Applications\\pravelot.exe\\SupportedTypes" Name=".$1" Type="string" Value=""/>
EOF
}

name="Pravelot"
cat >"$wxs" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
<Product Id="$(guid "product:$version")" Name="$name $version" Language="1041" Codepage="1252"
         Version="$version.0" Manufacturer="Pravelot" UpgradeCode="$upgrade_code">
<Package InstallerVersion="500" Compressed="yes" InstallScope="perUser" SummaryCodepage="1252"
         Description="$name $version" Manufacturer="Pravelot"
         Comments="Gathers Jw_cad figure files into one block each"/>
<MajorUpgrade DowngradeErrorMessage="A newer version of $name is installed already."/>
<Media Id="1" Cabinet="pravelot.cab" EmbedCab="yes"/>
<Property Id="ALLUSERS" Value="2"/>
<Property Id="MSIINSTALLPERUSER" Value="1"/>
<Property Id="ARPPRODUCTICON" Value="PravelotIcon"/>
<Property Id="ARPNOMODIFY" Value="1"/>
<Icon Id="PravelotIcon" SourceFile="pravelot.exe"/>
<Directory Id="TARGETDIR" Name="SourceDir">
  <Directory Id="LocalAppDataFolder">
    <Directory Id="ProgramsFolder" Name="Programs">
      <Component Id="ProgramsFolderRemoval" Guid="$(guid programsfolder)">
        <RegistryValue Root="HKCU" Key="$regkey" Name="Programs" Type="integer" Value="1" KeyPath="yes"/>
        <RemoveFolder Id="RemoveProgramsFolder" On="uninstall"/>
      </Component>
      <Directory Id="INSTALLDIR" Name="Pravelot">
$(tree "" "$stage")
      </Directory>
    </Directory>
  </Directory>
  <Directory Id="ProgramMenuFolder">
    <Component Id="StartMenu" Guid="$(guid startmenu)">
      <Shortcut Id="StartMenuShortcut" Name="$name" Description="$name"
                Target="[INSTALLDIR]pravelot.exe" WorkingDirectory="INSTALLDIR"/>
      <RegistryValue Root="HKCU" Key="$regkey" Name="StartMenu" Type="integer" Value="1" KeyPath="yes"/>
    </Component>
  </Directory>
  <Directory Id="SendToFolder">
    <Component Id="SendTo" Guid="$(guid sendto)">
      <Shortcut Id="SendToShortcut" Name="$name" Description="$name"
                Target="[INSTALLDIR]pravelot.exe" WorkingDirectory="INSTALLDIR"/>
      <RegistryValue Root="HKCU" Key="$regkey" Name="SendTo" Type="integer" Value="1" KeyPath="yes"/>
    </Component>
  </Directory>
</Directory>
<DirectoryRef Id="TARGETDIR">
  <Component Id="OpenWith" Guid="$(guid openwith)">
    <RegistryValue Root="HKCU" Key="$regkey" Name="OpenWith" Type="integer" Value="1" KeyPath="yes"/>
    <RegistryValue Root="HKCU" Key="Software\\Classes\\Pravelot.Figure" Type="string" Value="Jw_cad figure"/>
    <RegistryValue Root="HKCU" Key="Software\\Classes\\Pravelot.Figure\\DefaultIcon" Type="string" Value="&quot;[INSTALLDIR]pravelot.exe&quot;,0"/>
    <RegistryValue Root="HKCU" Key="Software\\Classes\\Pravelot.Figure\\shell\\open\\command" Type="string" Value="&quot;[INSTALLDIR]pravelot.exe&quot; &quot;%1&quot;"/>
    <RegistryValue Root="HKCU" Key="Software\\Classes\\Applications\\pravelot.exe\\shell\\open\\command" Type="string" Value="&quot;[INSTALLDIR]pravelot.exe&quot; &quot;%1&quot;"/>
$(openWith jws)
$(openWith jwk)
  </Component>
</DirectoryRef>
<Feature Id="Complete" Level="1">
$(components)
  <ComponentRef Id="StartMenu"/>
  <ComponentRef Id="SendTo"/>
  <ComponentRef Id="OpenWith"/>
  <ComponentRef Id="ProgramsFolderRemoval"/>
</Feature>
</Product>
</Wix>
EOF
# Sources are named relative to the staged folder.
cd "$stage"
wixl -a x64 -o "$out" "$wxs"
