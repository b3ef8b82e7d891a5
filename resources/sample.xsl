<?xml version="1.0" encoding="UTF-8"?>
<!-- Turns the sample catalogue into an HTML page: one table per section, then the notes. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
	<xsl:output method="html" encoding="UTF-8" indent="yes"/>

	<xsl:template match="/catalogue">
		<html>
			<head>
				<title><xsl:value-of select="@name"/> catalogue</title>
				<style>
					body { font-family: sans-serif; margin: 2em; }
					table { border-collapse: collapse; margin-bottom: 1.5em; }
					th, td { border: 1px solid #999; padding: 0.3em 0.6em; text-align: left; }
					.none { color: #a00; }
				</style>
			</head>
			<body>
				<h1>
					<xsl:apply-templates select="supplier/logo"/>
					<xsl:value-of select="@name"/>
				</h1>
				<p><xsl:value-of select="concat(@season, ' ', @year)"/></p>
				<xsl:apply-templates select="section"/>
				<xsl:apply-templates select="notes"/>
			</body>
		</html>
	</xsl:template>

	<xsl:template match="logo">
		<img alt="" src="data:{@type};base64,{normalize-space(.)}"/>
		<xsl:text> </xsl:text>
	</xsl:template>

	<xsl:template match="section">
		<h2><xsl:value-of select="@title"/></h2>
		<table>
			<tr><th>Code</th><th>Plant</th><th>Price</th><th>In stock</th><th>Description</th></tr>
			<xsl:apply-templates select="plant"/>
		</table>
	</xsl:template>

	<xsl:template match="plant">
		<tr>
			<td><xsl:value-of select="@code"/></td>
			<td><xsl:value-of select="common"/> (<i><xsl:value-of select="latin"/></i>)</td>
			<td><xsl:value-of select="concat(price, ' ', price/@currency)"/></td>
			<td>
				<xsl:choose>
					<xsl:when test="stock &gt; 0"><xsl:value-of select="stock"/></xsl:when>
					<xsl:otherwise><span class="none">none</span></xsl:otherwise>
				</xsl:choose>
			</td>
			<td>
				<xsl:apply-templates select="p"/>
				<xsl:if test="care"><br/>Care: <xsl:value-of select="care"/></xsl:if>
			</td>
		</tr>
	</xsl:template>

	<xsl:template match="p">
		<xsl:apply-templates/>
	</xsl:template>

	<xsl:template match="b | i">
		<xsl:element name="{local-name()}"><xsl:apply-templates/></xsl:element>
	</xsl:template>

	<xsl:template match="notes">
		<h2>Notes</h2>
		<ul>
			<xsl:for-each select="note">
				<li><xsl:value-of select="@date"/>: <xsl:value-of select="."/></li>
			</xsl:for-each>
		</ul>
	</xsl:template>
</xsl:stylesheet>
