// Validates CycloneDX JSON files against the schema of the version each declares, with the
// CycloneDX library's own validator, and requires each component's package URL to be in its
// canonical form (packageurl-js gives it back unchanged), a Debian package's with its arch and
// distro, and to name one component only, so that a scanner reports each finding once. Exits 1
// on the first file that fails.
//   node validate.js BOM.cdx.json...
'use strict'
const fs = require('fs')
const cyclonedx = require('@cyclonedx/cyclonedx-library')
const { PackageURL } = require('packageurl-js')

function purlFaults (bom) {
  const faults = []
  const seen = new Set()
  const visit = (component) => {
    if (component.purl !== undefined) {
      const purl = PackageURL.fromString(component.purl)
      if (purl.toString() !== component.purl) faults.push(`${component.purl} is not canonical: ${purl}`)
      // A Debian package's URL says which build and which release: scanners pick advisories by them.
      if (purl.type === 'deb' && !(purl.qualifiers?.arch && purl.qualifiers?.distro)) {
        faults.push(`${component.purl} names no arch or no distro`)
      }
      if (seen.has(component.purl)) faults.push(`${component.purl} names more than one component`)
      seen.add(component.purl)
    }
    for (const inner of component.components ?? []) visit(inner)
  }
  visit({ components: [bom.metadata.component, ...(bom.components ?? [])] })
  return faults
}

async function main (files) {
  if (files.length === 0) throw new Error('no bill of materials to validate: is the release package built?')
  for (const file of files) {
    const text = fs.readFileSync(file, 'utf8')
    const version = JSON.parse(text).specVersion
    const errors = await new cyclonedx.Validation.JsonStrictValidator(version).validate(text)
    if (errors !== null) {
      throw new Error(`${file}: not valid CycloneDX ${version}: ${JSON.stringify(errors, null, 1)}`)
    }
    const faults = purlFaults(JSON.parse(text))
    if (faults.length > 0) throw new Error(`${file}: ${faults.join('; ')}`)
    console.log(`${file}: valid CycloneDX ${version}, each package URL canonical and unique`)
  }
}

main(process.argv.slice(2)).catch((error) => { console.error(error.message); process.exit(1) })
