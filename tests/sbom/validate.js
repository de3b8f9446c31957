// Validates CycloneDX JSON files against the schema of the version each declares, with the
// CycloneDX library's own validator. Exits 1 on the first file that does not validate.
//   node validate.js BOM.cdx.json...
'use strict'
const fs = require('fs')
const cyclonedx = require('@cyclonedx/cyclonedx-library')

async function main (files) {
  for (const file of files) {
    const text = fs.readFileSync(file, 'utf8')
    const version = JSON.parse(text).specVersion
    const errors = await new cyclonedx.Validation.JsonStrictValidator(version).validate(text)
    if (errors !== null) {
      throw new Error(`${file}: not valid CycloneDX ${version}: ${JSON.stringify(errors, null, 1)}`)
    }
    console.log(`${file}: valid CycloneDX ${version}`)
  }
}

main(process.argv.slice(2)).catch((error) => { console.error(error.message); process.exit(1) })
